// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedMainWindow.h"
#include "app/SettingsFile.h"
#include "config/SetupWindow.h"
#include "monitor/DataWindow.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "plot3d/Plot3DViews.h"
#include "plot3d/Plot3DWindow.h"
#include "record/EngineData.h"
#include "review/LogReviewWindow.h"
#include "tables/CurveGrid.h"
#include "tables/CurveWindow.h"
#include "tables/HitsDelegate.h"
#include "tables/TableEditorWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <functional>

namespace {

QString nameOf(const QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                     : w->objectName();
}

// The cells and labels of a grid whose text does not fit the place it is
// drawn in, or that lies outside the grid while it cannot scroll there.
void cutCells(const QTableView* view, QStringList& cut) {
    const QAbstractItemModel* model = view->model();
    const QStyle* style = view->style();
    const int cellMargin =
        2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const bool scrolls =
        view->horizontalScrollBar()->isVisible() || view->verticalScrollBar()->isVisible();
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex index = model->index(r, c);
            const QString text = index.data().toString();
            const QRect rect = view->visualRect(index);
            if (text.isEmpty() || view->isRowHidden(r) || view->isColumnHidden(c)) {
                continue;
            }
            const QVariant itemFont = index.data(Qt::FontRole);
            const QFont font = itemFont.isValid()
                                   ? qvariant_cast<QFont>(itemFont).resolve(view->font())
                                   : view->font();
            const QFontMetrics fm(font);
            if (fm.horizontalAdvance(text) + cellMargin > rect.width() ||
                fm.height() > rect.height() ||
                (!scrolls && !view->viewport()->rect().contains(rect))) {
                cut << QStringLiteral("%1 (%2, %3) \"%4\"")
                           .arg(nameOf(view))
                           .arg(r)
                           .arg(c)
                           .arg(text);
            }
        }
    }
    const int headerMargin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view);
    for (const QHeaderView* header : {view->horizontalHeader(), view->verticalHeader()}) {
        if (header->isHidden()) {
            continue;
        }
        const bool across = header->orientation() == Qt::Horizontal;
        const QFontMetrics fm(header->font());
        for (int s = 0; s < header->count(); ++s) {
            const QString text = model->headerData(s, header->orientation()).toString();
            const int width = across ? header->sectionSize(s) : header->width();
            const int height = across ? header->height() : header->sectionSize(s);
            if (fm.horizontalAdvance(text) + headerMargin > width || fm.height() > height) {
                cut << QStringLiteral("%1 label %2 \"%3\"").arg(nameOf(view)).arg(s).arg(text);
            }
        }
    }
}

// Whether the widget is what a scroll area scrolls, and so may be larger than
// the window.
bool scrolled(const QWidget* w) {
    const QWidget* viewport = w->parentWidget();
    const auto* area = qobject_cast<const QAbstractScrollArea*>(
        viewport != nullptr ? viewport->parentWidget() : nullptr);
    return area != nullptr && area->viewport() == viewport;
}

// Every text of a window that is cut: grid cells, labels, list and box texts,
// and every widget that lies partly outside the window (but what a scroll
// area scrolls).
QStringList cutTexts(QWidget* window) {
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        if (!scrolled(w) &&
            !window->rect().contains(QRect(w->mapTo(window, QPoint(0, 0)), w->size()))) {
            cut << nameOf(w) + QStringLiteral(" outside its window");
        }
        const QFontMetrics fm(w->font());
        if (auto* view = qobject_cast<QTableView*>(w)) {
            cutCells(view, cut);
        } else if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && !label->wordWrap()) {
            const QSize need = fm.size(Qt::TextShowMnemonic, label->text());
            const QRect room = label->contentsRect();
            if (need.width() > room.width() || need.height() > room.height()) {
                cut << QStringLiteral("label \"%1\"").arg(label->text());
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            if (fm.horizontalAdvance(combo->currentText()) > field.width()) {
                cut << QStringLiteral("list \"%1\"").arg(combo->currentText());
            }
        } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
            const int frame = 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            if (fm.horizontalAdvance(box->text()) > box->width() - frame - 4) {
                cut << QStringLiteral("box \"%1\"").arg(box->text());
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (fm.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&'))) >
                button->width()) {
                cut << QStringLiteral("button \"%1\"").arg(button->text());
            }
        }
    }
    return cut;
}

std::string cutIn(QWidget* window) {
    return cutTexts(window).join(QStringLiteral("; ")).toStdString();
}

// A main window on the simulated ECU with an engine that has custom outputs
// and user inputs in use, on the test platform's 800 x 600 screen.
class WindowGeometryTest : public SimulatedMainWindow {
public:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        EcuSettings image = SimulatedEcu::defaultImage();
        image.UserOutputType = {3, 2, 0, 0};
        image.UserInputAnalogMode = {1, 2, 0};
        image.UserInputDigitalMode = {4, 0, 0};
        ecu.setSettings(image);
        ecu.startEngine();
    }

    // Starts the program with its window as large as a screen of the size.
    void start(QSize screen = QSize(800, 600)) {
        SimulatedMainWindow::start();
        window->showNormal();
        window->setGeometry(QRect(QPoint(0, 0), screen));
        QApplication::processEvents();
        QApplication::setActiveWindow(window.get());
        window->pollTick();
    }

    void pressKeys(QKeyCombination keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), keys.key(),
                        keys.keyboardModifiers());
        QApplication::processEvents();
    }

    QMdiSubWindow* active() const { return window->mdiArea()->activeSubWindow(); }
    QRect area() const { return window->mdiArea()->viewport()->rect(); }
    QMdiSubWindow* subOf(const QWidget* w) const {
        return qobject_cast<QMdiSubWindow*>(w->parentWidget());
    }
    void closeAll() {
        window->unloadAllWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Clicks the tab of a page, as the user turns to it.
    static void turnTo(QTabWidget* tabs, int page) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(page).center());
        QApplication::processEvents();
    }
};

// How a user opens each window.
struct Opening {
    const char* name;
    std::function<void(WindowGeometryTest&, MainWindow&)> open;
};

std::vector<Opening> openings() {
    const auto keys = [](QKeyCombination k) {
        return [k](WindowGeometryTest& t, MainWindow&) { t.pressKeys(k); };
    };
    const auto menu = [](QAction* MainMenus::*action) {
        return [action](WindowGeometryTest&, MainWindow& w) { (w.menus().*action)->trigger(); };
    };
    return {
        {"fuel", keys(Qt::CTRL | Qt::Key_F)},
        {"ignition", keys(Qt::CTRL | Qt::Key_I)},
        {"compensation", keys(Qt::CTRL | Qt::Key_W)},
        {"starting", keys(Qt::CTRL | Qt::Key_A)},
        {"user inputs", keys(Qt::CTRL | Qt::Key_N)},
        {"setup", keys(Qt::CTRL | Qt::Key_E)},
        {"diagnostics", keys(Qt::CTRL | Qt::Key_D)},
        {"time history", menu(&MainMenus::plotRealTime)},
        {"gauges", keys(Qt::CTRL | Qt::Key_G)},
        {"default fuel", menu(&MainMenus::engineDefaultFuel)},
        {"default ignition", menu(&MainMenus::engineDefaultIgnition)},
    };
}

TEST_F(WindowGeometryTest, EveryTextIsWholeOnTheSmallestScreenAndAtEveryWindowsSmallestSize) {
    start();
    for (const Opening& o : openings()) {
        SCOPED_TRACE(o.name);
        o.open(*this, *window);
        QMdiSubWindow* opened = active();
        ASSERT_NE(opened, nullptr);
        auto* tabs = opened->widget()->findChild<QTabWidget*>();
        for (int page = 0; page < (tabs != nullptr ? tabs->count() : 1); ++page) {
            if (tabs != nullptr) {
                turnTo(tabs, page);
            }
            for (QMdiSubWindow* sub : window->mdiArea()->subWindowList()) {
                EXPECT_EQ(cutIn(sub->widget()), "") << nameOf(sub->widget()).toStdString();
                EXPECT_TRUE(area().contains(sub->geometry()))
                    << nameOf(sub->widget()).toStdString();
            }
        }
        // Shrunk as far as the window lets the user: smaller text, or a grid
        // that scrolls, but nothing cut.
        opened->resize(opened->minimumSizeHint());
        QApplication::processEvents();
        EXPECT_EQ(cutIn(opened->widget()), "") << "at the smallest size";
        closeAll();
    }
}

TEST_F(WindowGeometryTest, AValueWiderThanTheOthersStaysWholeOnTheSmallestScreen) {
    start();
    pressKeys(Qt::CTRL | Qt::Key_F);
    auto* fuel = window->findChild<FuelWindow*>();
    ASSERT_NE(fuel, nullptr);
    QTableView* grid = fuel->grid();
    // Every cell of the top row becomes 16.000, a digit longer than any other.
    const QModelIndex first = grid->model()->index(0, 0);
    const QModelIndex last = grid->model()->index(0, 15);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(first).center());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      grid->visualRect(last).center());
    QTest::keyClicks(grid, QStringLiteral("1"));
    QTest::keyClicks(fuel->editBox(), QStringLiteral("6"));
    QTest::keyClick(fuel->editBox(), Qt::Key_Return);
    ASSERT_EQ(last.data().toString(), "16.000");
    EXPECT_EQ(cutIn(fuel), "");
}

TEST_F(WindowGeometryTest, WindowsOpenInsideTheAreaWhateverIsOpenAlready) {
    for (const QSize screen : {QSize(800, 600), QSize(1280, 1024)}) {
        SCOPED_TRACE(screen.width());
        start(screen);
        for (const Opening& o : openings()) {
            SCOPED_TRACE(o.name);
            o.open(*this, *window);
            ASSERT_NE(active(), nullptr);
            EXPECT_TRUE(area().contains(active()->geometry()))
                << active()->geometry().x() << "," << active()->geometry().y();
        }
        window->close();
        window.reset();
    }
}

// A log whose records fall in many cells: a sweep of rpm and throttle, then
// a long idle, so that counts of one to four digits and means show.
QByteArray sweepLog() {
    QByteArray log = (logRuleLine() + QStringLiteral("\r\n02.05.26      14:30:00\r\n") +
                      fullRecordTitleLine() + QStringLiteral("\r\n"))
                         .toLatin1();
    const auto add = [&log](int k, int rpm, int tps) {
        EngineData e = EngineData::withChannelLayout();
        e.RpmChannel.Value = static_cast<float>(rpm);
        e.TpsChannel.Value = static_cast<float>(tps);
        e.MapChannel.Value = 9.87f;
        e.WaterChannel.Value = 180;
        e.UserChannel[0].Value = static_cast<float>(0.1 * (k % 9));
        log += fullRecordLine(LiveSample::fromEngineData(e, 0), k * 0.05).toLatin1() + "\r\n";
    };
    int k = 0;
    for (int tps = 0; tps <= 100; tps += 5) {
        for (int rpm = 600; rpm <= 8400; rpm += 400) {
            add(k++, rpm, tps);
        }
    }
    for (int i = 0; i < 1500; ++i) {
        add(k++, 850, 2);
    }
    return log;
}

// The hits keep every value whole and at its size: a cell shows its hits by
// its shade, its tool tip and the line under the grid, and under its value
// where it has room for them, as in an editor maximised on a larger screen.
TEST_F(WindowGeometryTest, HitsKeepEveryValueWholeAndAtItsSizeAndShowUnderItWhereThereIsRoom) {
    const QString path = dir.filePath(QStringLiteral("sweep.log"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(sweepLog());
    file.close();
    EcuSettings image = ecu.settings();
    image.LoadControl = 2; // the throttle: 7 % a row
    image.MaxRpm = 9000;   // 600 rpm a column
    ecu.setSettings(image);
    for (const QSize screen : {QSize(800, 600), QSize(1280, 1024)}) {
        SCOPED_TRACE(screen.width());
        start(screen);
        window->openLog(path); // as File > Open Log... and a dropped log do
        auto* review = window->findChild<LogReviewWindow*>();
        ASSERT_NE(review, nullptr);
        QSignalSpy shown(review, &LogReviewWindow::logShown);
        ASSERT_TRUE(review->loading() ? shown.wait() : true);
        pressKeys(Qt::CTRL | Qt::Key_F);
        auto* fuel = window->findChild<FuelWindow*>();
        ASSERT_NE(fuel, nullptr);
        QTableView* grid = fuel->grid();
        const double points = grid->font().pointSizeF();
        grid->setFocus();
        pressKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
        for (QAction* mean : fuel->meanMenu()->actions()) {
            if (mean->text() == "User 1") {
                mean->trigger();
            }
        }
        QApplication::processEvents();
        // The idle at 850 rpm and 2 %, with two records of the sweep.
        ASSERT_EQ(grid->model()->index(14, 1).data(Qt::ToolTipRole).toString(),
                  "1502 records, mean User 1 0.400");
        EXPECT_EQ(grid->font().pointSizeF(), points) << "the hits shrink no value";
        EXPECT_EQ(cutIn(fuel), "");

        // Maximised: every cell with hits has them under its value.
        auto* sub = qobject_cast<QMdiSubWindow*>(fuel->parentWidget());
        sub->showMaximized();
        QApplication::processEvents();
        const auto* delegate = qobject_cast<const HitsDelegate*>(grid->itemDelegate());
        ASSERT_NE(delegate, nullptr);
        int withHits = 0;
        int withLine = 0;
        for (int r = 0; r < 16; ++r) {
            for (int c = 0; c < 16; ++c) {
                const QModelIndex index = grid->model()->index(r, c);
                QStyleOptionViewItem option;
                option.initFrom(grid);
                option.font = grid->font();
                option.rect = grid->visualRect(index);
                option.widget = grid;
                withHits += index.data(Qt::ToolTipRole).toString().isEmpty() ? 0 : 1;
                withLine += delegate->showsHitLine(option, index) ? 1 : 0;
            }
        }
        EXPECT_GT(withHits, 100);
        if (screen.width() > 800) {
            EXPECT_EQ(withLine, withHits);
        }
        EXPECT_EQ(cutIn(fuel), "");
        closeAll();
    }
}

TEST_F(WindowGeometryTest, EditorsAndCurvesOpenBelowBothRowsOfTheDataWindow) {
    start();
    for (const QKeyCombination keys :
         {Qt::CTRL | Qt::Key_F, Qt::CTRL | Qt::Key_I, Qt::CTRL | Qt::Key_W, Qt::CTRL | Qt::Key_A}) {
        pressKeys(keys);
        DataWindow* data = window->dataWindow();
        ASSERT_NE(data, nullptr);
        const QTableView* grid = data->grid();
        const int rowsBottom = grid->rowViewportPosition(1) + grid->rowHeight(1);
        EXPECT_LE(rowsBottom, grid->viewport()->height());
        const QRect dataRows(grid->viewport()->mapTo(window->mdiArea()->viewport(), QPoint(0, 0)),
                             QSize(grid->viewport()->width(), rowsBottom));
        EXPECT_FALSE(active()->geometry().intersects(dataRows))
            << nameOf(active()->widget()).toStdString();
        closeAll();
    }
}

TEST_F(WindowGeometryTest, NoGridPaintsOverTheWindowAboveIt) {
    start();
    // The fuel editor under the compensation window, which takes an entry:
    // the screen shows the compensation window as it draws itself.
    pressKeys(Qt::CTRL | Qt::Key_F);
    pressKeys(Qt::CTRL | Qt::Key_W);
    auto* comp = window->findChild<Comp1Window*>();
    ASSERT_NE(comp, nullptr);
    CurveGrid* curve = comp->grids()[0];
    QTableView* grid = curve->grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 2)).center());
    QTest::keyClicks(grid, QStringLiteral("1"));
    QTest::keyClicks(curve->editBox(), QStringLiteral("10"));
    QTest::keyClick(curve->editBox(), Qt::Key_Return);
    ASSERT_EQ(window->store().settings().AirTempFuelComp[1], 110);
    for (int tick = 0; tick < 3; ++tick) {
        window->pollTick();
        QApplication::processEvents();
    }
    const QImage screen = window->screen()->grabWindow(window->winId()).toImage();
    const QImage own = comp->grab().toImage();
    const QImage shown = screen.copy(QRect(comp->mapTo(window.get(), QPoint(0, 0)), own.size()));
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
              own.convertToFormat(QImage::Format_RGB32));
}

TEST_F(WindowGeometryTest, TheUserOutputsPageKeepsItsColumnsWhenAnOutputGetsSetPoints) {
    start();
    pressKeys(Qt::CTRL | Qt::Key_E);
    auto* setup = window->findChild<SetupWindow*>();
    ASSERT_NE(setup, nullptr);
    turnTo(setup->tabs(), 2);
    const auto frames = [setup] {
        std::vector<QRect> places;
        for (int k = 0; k < 4; ++k) {
            places.push_back(
                setup->findChild<QGroupBox*>(QStringLiteral("CustomOutputFrame%1").arg(k))
                    ->geometry());
        }
        return places;
    };
    const std::vector<QRect> before = frames();
    auto* combo = setup->findChild<QComboBox*>(QStringLiteral("CustomOutputCombo2"));
    QTest::mouseClick(combo, Qt::LeftButton); // the list opens; a key chooses "Rpm"
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(window->store().settings().UserOutputType[2], 3);
    EXPECT_TRUE(setup->findChild<QLineEdit*>(QStringLiteral("CustomOutputText4"))->isVisible());
    EXPECT_EQ(frames(), before);
}

TEST_F(WindowGeometryTest, TheZoomedPlotAndPlacesFromALargerScreenStayOnScreen) {
    // Kept on a screen twice as large: the main window and the fuel plot
    // beyond this screen's right and bottom edges.
    AppState saved = state;
    saved.display.MainWindow = {12000, 18000, 10500, 7500, 0}; // top, left, width, height
    saved.display.Fuel3DPlotFlag = true;
    saved.display.Fuel3DPlotX = 20000;
    saved.display.Fuel3DPlotY = 14000;
    ASSERT_TRUE(saveSettingsFile(dir.filePath(QStringLiteral("Vantrel.ini")),
                                 settingsFileBytes(saved, true))
                    .isEmpty());
    SimulatedMainWindow::start();
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window->geometry()));
    Plot3DWindow* plot = window->plots3d().window(fuelPlot());
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(screen.contains(plot->geometry()));

    // Zoom grows it inside the main window's area.
    const QWidget* central = window->centralWidget();
    const QRect inside(central->mapToGlobal(QPoint(0, 0)), central->size());
    QTest::mouseClick(plot, Qt::RightButton, {}, QPoint(100, 100));
    window->menus().popup->hide();
    window->menus().popupZoom->trigger();
    EXPECT_EQ(plot->size(), QSize(400, 400));
    EXPECT_TRUE(inside.contains(plot->geometry()));
}

} // namespace
