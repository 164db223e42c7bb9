// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-docgen man OUTPUT NAME VERSION SUMMARY PROGRAM [--commands]
//     Writes the man page of PROGRAM from its --help: the usage lines become
//     the synopsis, the text before the first heading the description, and
//     each "Heading:" line a section. With --commands the help of every
//     command in the "Commands:" section follows, each as a subsection.
// vantrel-docgen html OUTPUT TITLE BODY [--preformatted]
//     Writes a whole HTML page around BODY, an HTML fragment whose links to
//     other pages (page.md) lead to their HTML (page.html), or with
//     --preformatted a plain text shown as it is.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>

namespace {

bool writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()) {
        std::fprintf(stderr, "vantrel-docgen: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

QString helpOf(const QString& program, const QStringList& arguments, bool* ok) {
    QProcess process;
    process.start(program, arguments);
    *ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
          process.exitCode() == 0;
    if (!*ok) {
        std::fprintf(stderr, "vantrel-docgen: %s %s failed\n", qPrintable(program),
                     qPrintable(arguments.join(QLatin1Char(' '))));
    }
    // A parser's usage line names the program as started; the page names it
    // as installed.
    QString text = QString::fromUtf8(process.readAllStandardOutput());
    text.replace(program, QFileInfo(program).fileName());
    return text;
}

// One line of text for roff: backslashes escaped, and a line that starts with
// a control character kept as text.
QString roff(const QString& line) {
    QString out = line;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    out.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\''))) {
        out.prepend(QStringLiteral("\\&"));
    }
    return out;
}

QString preformatted(QStringList lines) {
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
        lines.removeLast();
    }
    QString out = QStringLiteral(".nf\n");
    for (const QString& line : lines) {
        out += roff(line) + QLatin1Char('\n');
    }
    return out + QStringLiteral(".fi\n");
}

bool isHeading(const QString& line) {
    static const QRegularExpression heading(QStringLiteral("^[A-Z][A-Za-z ]*:$"));
    return heading.match(line).hasMatch();
}

struct HelpPage {
    QStringList synopsis;
    QStringList description;
    QList<std::pair<QString, QStringList>> sections;
};

HelpPage splitHelp(const QString& help) {
    QStringList lines = help.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
        lines.removeLast();
    }
    HelpPage page;
    qsizetype i = 0;
    if (!lines.isEmpty() && lines[0].startsWith(QLatin1String("Usage: "))) {
        page.synopsis.append(lines[0].mid(7));
        for (i = 1; i < lines.size() && lines[i].startsWith(QLatin1Char(' ')); ++i) {
            page.synopsis.append(lines[i].trimmed());
        }
    }
    for (; i < lines.size() && !isHeading(lines[i]); ++i) {
        page.description.append(lines[i]);
    }
    for (; i < lines.size(); ++i) {
        if (isHeading(lines[i])) {
            page.sections.append({lines[i].chopped(1), {}});
        } else {
            page.sections.last().second.append(lines[i]);
        }
    }
    return page;
}

QString paragraphs(const QStringList& lines) {
    QString out;
    bool open = false;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) {
            open = false;
            continue;
        }
        if (!open) {
            out += QStringLiteral(".PP\n");
            open = true;
        }
        out += roff(line.trimmed()) + QLatin1Char('\n');
    }
    return out;
}

int writeManPage(const QStringList& args) {
    if (args.size() < 5) {
        return 2;
    }
    const QString& output = args[0];
    const QString& name = args[1];
    const QString& version = args[2];
    const QString& summary = args[3];
    const QString& program = args[4];
    const bool commands = args.contains(QStringLiteral("--commands"));

    bool ok = false;
    const HelpPage page = splitHelp(helpOf(program, {QStringLiteral("--help")}, &ok));
    if (!ok) {
        return 1;
    }
    QString out = QStringLiteral(".TH %1 1 \"\" \"Vantrel %2\" \"User Commands\"\n")
                      .arg(name.toUpper(), version);
    out += QStringLiteral(".SH NAME\n%1 \\- %2\n").arg(roff(name), roff(summary));
    if (!page.synopsis.isEmpty()) {
        out += QStringLiteral(".SH SYNOPSIS\n") + preformatted(page.synopsis);
    }
    if (!page.description.isEmpty()) {
        out += QStringLiteral(".SH DESCRIPTION\n") + paragraphs(page.description);
    }
    QStringList commandNames;
    for (const auto& [heading, lines] : page.sections) {
        out += QStringLiteral(".SH %1\n").arg(heading.toUpper()) + preformatted(lines);
        if (heading == QLatin1String("Commands")) {
            static const QRegularExpression command(QStringLiteral("^  (\\S+)  "));
            for (const QString& line : lines) {
                if (const auto m = command.match(line); m.hasMatch()) {
                    commandNames.append(m.captured(1));
                }
            }
        }
    }
    if (commands && !commandNames.isEmpty()) {
        out += QStringLiteral(".SH COMMAND DETAILS\n");
        for (const QString& commandName : commandNames) {
            const QString help = helpOf(program, {commandName, QStringLiteral("--help")}, &ok);
            if (!ok) {
                return 1;
            }
            out += QStringLiteral(".SS %1\n").arg(roff(commandName)) +
                   preformatted(help.trimmed().split(QLatin1Char('\n')));
        }
    }
    return writeFile(output, out.toUtf8()) ? 0 : 1;
}

int writeHtmlPage(const QStringList& args) {
    if (args.size() < 3) {
        return 2;
    }
    QFile body(args[2]);
    if (!body.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrel-docgen: cannot read %s\n", qPrintable(args[2]));
        return 1;
    }
    QString content = QString::fromUtf8(body.readAll());
    if (args.contains(QStringLiteral("--preformatted"))) {
        content = QStringLiteral("<pre>") + content.toHtmlEscaped() + QStringLiteral("</pre>");
    } else {
        // A link to another page of the manual names its Markdown source;
        // installed, the page is HTML.
        static const QRegularExpression page(QStringLiteral("href=\"([^\":/]+)\\.md(#[^\"]*)?\""));
        content.replace(page, QStringLiteral("href=\"\\1.html\\2\""));
    }
    const QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>%1</title>\n<style>\n"
                       "body { font-family: sans-serif; max-width: 52em; margin: 2em auto; "
                       "padding: 0 1em; line-height: 1.45; color: #222; }\n"
                       "h1, h2, h3 { color: #163250; }\n"
                       "table { border-collapse: collapse; margin: 1em 0; }\n"
                       "th, td { border: 1px solid #bbb; padding: 0.25em 0.6em; "
                       "text-align: left; vertical-align: top; }\n"
                       "code, pre { background: #f2f4f7; }\n"
                       "pre { padding: 0.6em; overflow-x: auto; }\n"
                       "img { max-width: 100%; }\n"
                       "</style>\n</head>\n<body>\n%2\n</body>\n</html>\n")
            .arg(args[1].toHtmlEscaped(), content);
    return writeFile(args[0], page.toUtf8()) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: vantrel-docgen man|html ...\n");
        return 2;
    }
    const QString mode = args.takeFirst();
    if (mode == QLatin1String("man")) {
        return writeManPage(args);
    }
    if (mode == QLatin1String("html")) {
        return writeHtmlPage(args);
    }
    std::fprintf(stderr, "vantrel-docgen: unknown mode %s\n", qPrintable(mode));
    return 2;
}
