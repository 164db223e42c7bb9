#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kPatienceMs = 120000;
const QString kAppId = QStringLiteral("org.vantrel.Vantrel");

struct Result {
    int exitCode = -1;
    QString out;
};

Result execute(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(kPatienceMs)) << program.toStdString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

QString text(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        const Result installed =
            execute(QStringLiteral(VANTREL_CMAKE_COMMAND),
                    {"--install", QStringLiteral(VANTREL_BUILD_DIR), "--prefix", m_prefix.path()});
        ASSERT_EQ(installed.exitCode, 0) << installed.out.toStdString();
    }
    QString path(const QString& relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

TEST_F(InstallTest, EveryFileIsInPlaceAndNothingElse) {
    const QSet<QString> expected{
        "bin/vantrel",
        "bin/vantrelctl",
        "bin/vantrel-ecusim",
        "share/applications/" + kAppId + ".desktop",
        "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
        "share/metainfo/" + kAppId + ".metainfo.xml",
        "share/man/man1/vantrel.1",
        "share/man/man1/vantrelctl.1",
        "share/man/man1/vantrel-ecusim.1",
        "share/doc/vantrel/manual/index.html",
        "share/doc/vantrel/manual/screenshot.png",
    };
    QSet<QString> found;
    QDirIterator it(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found.insert(QDir(m_prefix.path()).relativeFilePath(it.next()));
    }
    EXPECT_EQ(found, expected);
    for (const char* program : {"vantrel", "vantrelctl", "vantrel-ecusim"}) {
        EXPECT_TRUE(QFileInfo(path(QStringLiteral("bin/") + program)).isExecutable()) << program;
    }
    for (const QString& file : expected) {
        EXPECT_GT(QFileInfo(path(file)).size(), 0) << file.toStdString();
    }
    // With a Markdown converter at build time the manual is converted, not
    // its source shown as text.
    const QString manual = text(path("share/doc/vantrel/manual/index.html"));
    EXPECT_TRUE(manual.contains("Vantrel User Manual"));
    if (!QStandardPaths::findExecutable("markdown_py").isEmpty()) {
        EXPECT_TRUE(manual.contains("<h2")) << "the manual was not converted from Markdown";
        EXPECT_TRUE(manual.contains("src=\"screenshot.png\""));
    }
}

TEST_F(InstallTest, ManPagesHoldEveryOptionAndCommandOfTheHelp) {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z0-9-]*"));
    for (const QString program : {"vantrel", "vantrelctl", "vantrel-ecusim"}) {
        const Result help = execute(path("bin/" + program), {"--help"});
        ASSERT_EQ(help.exitCode, 0) << program.toStdString();
        const QString page = text(path("share/man/man1/" + program + ".1"));
        EXPECT_TRUE(page.startsWith(".TH " + program.toUpper() + " 1")) << program.toStdString();
        auto matches = option.globalMatch(help.out);
        int options = 0;
        while (matches.hasNext()) {
            const QString name = matches.next().captured();
            ++options;
            EXPECT_TRUE(page.contains(QString(name).replace("-", "\\-")))
                << program.toStdString() << " " << name.toStdString();
        }
        EXPECT_GT(options, 0) << program.toStdString();
    }
    const QString ctl = text(path("share/man/man1/vantrelctl.1"));
    for (const QString command : {"defaults", "convert", "diff", "identify", "read", "write",
                                  "store", "monitor", "ports", "log2csv"}) {
        EXPECT_TRUE(ctl.contains(".SS " + command + "\n")) << command.toStdString();
    }
}

TEST_F(InstallTest, DesktopEntryAndMetadataNameTheInstalledFiles) {
    const QString desktop = path("share/applications/" + kAppId + ".desktop");
    const QString metainfo = path("share/metainfo/" + kAppId + ".metainfo.xml");
    const QString entry = text(desktop);
    EXPECT_TRUE(entry.contains("\nExec=vantrel\n"));
    EXPECT_TRUE(entry.contains("\nIcon=" + kAppId + "\n"));
    EXPECT_TRUE(text(metainfo).contains(">" + kAppId + ".desktop</launchable>"));

    int validators = 0;
    if (const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
        !tool.isEmpty()) {
        const Result r = execute(tool, {desktop});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
        EXPECT_TRUE(r.out.trimmed().isEmpty()) << r.out.toStdString();
        ++validators;
    }
    if (const QString tool = QStandardPaths::findExecutable("appstreamcli"); !tool.isEmpty()) {
        const Result r = execute(tool, {"validate", "--no-net", metainfo});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
        ++validators;
    }
    if (validators == 0) {
        GTEST_SKIP() << "neither desktop-file-validate nor appstreamcli is installed";
    }
}

} // namespace
