// SPDX-License-Identifier: GPL-3.0-or-later
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
// The window program and vantrelctl always; the simulated ECU on a
// pseudo-terminal only where the build has it.
const QStringList kPrograms = VANTREL_WITH_PTY
                                  ? QStringList{"vantrel", "vantrelctl", "vantrel-ecusim"}
                                  : QStringList{"vantrel", "vantrelctl"};

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

// A file compressed with gzip, as Debian keeps man pages and changelogs.
QString gunzipped(const QString& path) {
    const Result r = execute(QStringLiteral("gzip"), {"-dc", path});
    EXPECT_EQ(r.exitCode, 0) << path.toStdString() << ": " << r.out.toStdString();
    return r.out;
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
    QSet<QString> expected{
        "share/applications/" + kAppId + ".desktop",
        "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
        "share/metainfo/" + kAppId + ".metainfo.xml",
        "share/doc/vantrel/copyright",
        "share/doc/vantrel/changelog.gz",
        "share/doc/vantrel/manual/index.html",
        "share/doc/vantrel/manual/history.html",
        "share/doc/vantrel/manual/screenshot.png",
        "share/doc/vantrel/manual/screenshot-review.png",
        "share/doc/vantrel/manual/screenshot-scatter.png",
        "share/doc/vantrel/manual/screenshot-hits.png",
        "share/doc/vantrel/manual/screenshot-history.png",
        "share/doc/vantrel/manual/screenshot-gauges.png",
        "share/doc/vantrel/manual/autotune.html",
        "share/doc/vantrel/manual/screenshot-autotune.png",
    };
    for (const QString& program : kPrograms) {
        expected << "bin/" + program << "share/man/man1/" + program + ".1.gz";
    }
    QSet<QString> found;
    QDirIterator it(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found.insert(QDir(m_prefix.path()).relativeFilePath(it.next()));
    }
    EXPECT_EQ(found, expected);
    for (const QString& program : kPrograms) {
        EXPECT_TRUE(QFileInfo(path("bin/" + program)).isExecutable()) << program.toStdString();
    }
    for (const QString& file : expected) {
        EXPECT_GT(QFileInfo(path(file)).size(), 0) << file.toStdString();
    }
    // With a Markdown converter at build time each page of the manual is
    // converted, not its source shown as text.
    const QString manual = text(path("share/doc/vantrel/manual/index.html"));
    EXPECT_TRUE(manual.contains("Vantrel User Manual"));
    if (!QStandardPaths::findExecutable("markdown_py").isEmpty()) {
        // Every picture a page shows and every page it links to is installed
        // beside it.
        static const QRegularExpression picture(QStringLiteral("src=\"([^\"]+)\""));
        static const QRegularExpression link(QStringLiteral("href=\"([^\":#]+)(#[^\"]*)?\""));
        int pictures = 0;
        int links = 0;
        for (const char* page : {"index.html", "autotune.html", "history.html"}) {
            SCOPED_TRACE(page);
            const QString html = text(path(QStringLiteral("share/doc/vantrel/manual/") + page));
            EXPECT_TRUE(html.contains("<h2")) << "the manual was not converted from Markdown";
            for (auto it = picture.globalMatch(html); it.hasNext(); ++pictures) {
                const QString name = it.next().captured(1);
                EXPECT_TRUE(expected.contains("share/doc/vantrel/manual/" + name))
                    << name.toStdString();
            }
            for (auto it = link.globalMatch(html); it.hasNext(); ++links) {
                const QString name = it.next().captured(1);
                EXPECT_TRUE(expected.contains("share/doc/vantrel/manual/" + name))
                    << name.toStdString();
            }
        }
        EXPECT_EQ(pictures, 7);
        EXPECT_GE(links, 4);
    }
}

TEST_F(InstallTest, ManPagesHoldEveryOptionAndCommandOfTheHelp) {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z0-9-]*"));
    for (const QString& program : kPrograms) {
        const Result help = execute(path("bin/" + program), {"--help"});
        ASSERT_EQ(help.exitCode, 0) << program.toStdString();
        const QString page = gunzipped(path("share/man/man1/" + program + ".1.gz"));
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
    const QString ctl = gunzipped(path("share/man/man1/vantrelctl.1.gz"));
    for (const QString command : {"defaults", "convert", "diff", "identify", "read", "write",
                                  "store", "monitor", "ports", "log2csv"}) {
        EXPECT_TRUE(ctl.contains(".SS " + command + "\n")) << command.toStdString();
    }
}

TEST_F(InstallTest, LicenceIsStatedInTheCopyrightFileMetadataAndSource) {
    // The copyright file in Debian's machine-readable format, under the GPL
    // version 3 or later, pointing to the licence's full text.
    const QString copyright = text(path("share/doc/vantrel/copyright"));
    EXPECT_TRUE(copyright.startsWith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    EXPECT_TRUE(copyright.contains("\nFiles: *\n"));
    EXPECT_EQ(copyright.count(
                  QRegularExpression("^License: GPL-3\\+$", QRegularExpression::MultilineOption)),
              2)
        << "the files' licence and its text";
    EXPECT_TRUE(copyright.contains("either version 3 of the License, or"));
    EXPECT_TRUE(copyright.contains("/usr/share/common-licenses/GPL-3"));

    EXPECT_TRUE(text(path("share/metainfo/" + kAppId + ".metainfo.xml"))
                    .contains("<project_license>GPL-3.0-or-later</project_license>"));

    const QString licence = text(QStringLiteral(VANTREL_SOURCE_DIR "/LICENSE"));
    EXPECT_TRUE(licence.contains("GNU GENERAL PUBLIC LICENSE\n                       Version 3, "
                                 "29 June 2007"));
    EXPECT_TRUE(licence.contains("END OF TERMS AND CONDITIONS"));

    // The changelog in Debian's format, of the version installed.
    const QStringList changelog = gunzipped(path("share/doc/vantrel/changelog.gz")).split('\n');
    ASSERT_GE(changelog.size(), 3);
    EXPECT_EQ(changelog[0], "vantrel (" VANTREL_VERSION ") unstable; urgency=medium");
    const QString trailer = changelog.filter(QRegularExpression("^ -- ")).value(0);
    EXPECT_TRUE(trailer.contains(QRegularExpression("<[^@>]+@[a-z0-9-]+\\.[a-z]+>  "
                                                    "\\w{3}, \\d{2} \\w{3} \\d{4} ")))
        << trailer.toStdString();
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
