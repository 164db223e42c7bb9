// SPDX-License-Identifier: GPL-3.0-or-later
// The coded settings are read through their types and the wire commands by
// their names: outside the field table and the command table, no source line
// compares a coded field with a number, switches on its number, or sends a
// command by its number.

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The coded fields of the settings record, which keeps their numbers.
const QString kRecordFields = QStringLiteral(
    "(?:LoadControl|UserInputAnalogMode|UserInputDigitalMode|UserOutputType|IgnitionType|"
    "WheelType|IacType|MapSensorType|TpsSensorType|AirTempSensorType|WaterTempSensorType|"
    "EgoControl)");
// And the edition, which the state holds as its enum.
const QString kCodedFields = QStringLiteral("(?:Edition|%1)").arg(kRecordFields);

struct Rule {
    const char* name;
    QRegularExpression pattern;
};

const std::vector<Rule>& rules() {
    static const std::vector<Rule> all{
        {"coded field compared with a number",
         QRegularExpression(
             QStringLiteral(R"(\b%1\b(\s*\[[^\]]*\])?\s*(==|!=|<=|>=|<(?!<)|>(?!>))\s*-?\d)")
                 .arg(kCodedFields))},
        {"number compared with a coded field",
         QRegularExpression(QStringLiteral(R"(\d\s*(==|!=|<=|>=|<|>)\s*[\w.>\-\[\]()]*\b%1\b)")
                                .arg(kCodedFields))},
        {"switch on a coded field's number",
         QRegularExpression(QStringLiteral(R"(\bswitch\s*\([^;{]*\b%1\b(\s*\[[^\]]*\])?\s*\))")
                                .arg(kRecordFields))},
        {"wire command sent by its number",
         QRegularExpression(QStringLiteral(
             R"(\b(command|getEcuData|send|sendCommand|m_send|m_request)\s*\(\s*\d)"))},
    };
    return all;
}

// The tables that define the codes.
bool exempt(const QString& relativePath) {
    return relativePath == QLatin1String("record/FieldTable.cpp") ||
           relativePath == QLatin1String("comm/CommandTable.cpp") ||
           relativePath == QLatin1String("comm/CommandTable.h");
}

// The rule a line breaks, if any; comments do not count.
const Rule* brokenRule(QString line) {
    if (const qsizetype comment = line.indexOf(QLatin1String("//")); comment >= 0) {
        line.truncate(comment);
    }
    for (const Rule& rule : rules()) {
        if (rule.pattern.match(line).hasMatch()) {
            return &rule;
        }
    }
    return nullptr;
}

TEST(SourceRulesTest, EachRuleTellsAFaultFromItsTypedForm) {
    struct Case {
        const char* line;
        const char* rule; // nullptr: the line is fine
    };
    const Case cases[] = {
        {"if (s.LoadControl == 2) {", "coded field compared with a number"},
        {"h.overRange = (s.LoadControl != 1) && x;", "coded field compared with a number"},
        {"if (s.UserInputAnalogMode[0] == 3 && on)", "coded field compared with a number"},
        {"if (store.settings().MapSensorType >= 4)", "coded field compared with a number"},
        {"if (state.Edition == 2) {", "coded field compared with a number"},
        {"const bool on = 4 == s.UserInputDigitalMode[0];", "number compared with a coded field"},
        {"switch (s.LoadControl) {", "switch on a coded field's number"},
        {"switch (s.UserOutputType[k]) {", "switch on a coded field's number"},
        {"m_line.command(9);", "wire command sent by its number"},
        {"protocol.getEcuData(36);", "wire command sent by its number"},
        {"send(53, 0, 0);", "wire command sent by its number"},
        {"if (loadControl(s) == LoadControl::Map) {", nullptr},
        {"switch (analogInputMode(s, n)) {", nullptr},
        {"switch (m_state.Edition) {", nullptr},
        {"m_line.command(commandCode(EcuCommand::PlotOpen));", nullptr},
        {"send(fieldRow(field).readCode, 0, 0);", nullptr},
        {"row<Scalar<&S::LoadControl>>(F::LoadControl, \"LoadControl\", {64, 192}", nullptr},
        {"if (value == m_parts.store.settings().LoadControl) {", nullptr},
        {"// LoadControl == 2 picks the throttle", nullptr},
    };
    for (const Case& c : cases) {
        const Rule* broken = brokenRule(QString::fromLatin1(c.line));
        EXPECT_EQ(std::string(broken != nullptr ? broken->name : ""),
                  std::string(c.rule != nullptr ? c.rule : ""))
            << c.line;
    }
}

TEST(SourceRulesTest, SourcesUseTheTypesAndTheNamedCommands) {
    const QString root = QStringLiteral(VANTREL_SOURCE_DIR "/src/");
    QStringList breaches;
    int files = 0;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size());
        if (exempt(relative)) {
            continue;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
        ++files;
        QTextStream in(&file);
        for (int number = 1; !in.atEnd(); ++number) {
            const QString line = in.readLine();
            if (const Rule* rule = brokenRule(line)) {
                breaches << QStringLiteral("%1:%2: %3 (%4)")
                                .arg(relative)
                                .arg(number)
                                .arg(line.trimmed(), QString::fromLatin1(rule->name));
            }
        }
    }
    EXPECT_GT(files, 100);
    EXPECT_TRUE(breaches.isEmpty()) << breaches.join(QLatin1Char('\n')).toStdString();
}

// Every C++ source of the project carries the licence's SPDX line first.
TEST(SourceRulesTest, EverySourceFileStartsWithTheLicenceLine) {
    const QString root = QStringLiteral(VANTREL_SOURCE_DIR "/");
    const QString licence = QStringLiteral("// SPDX-License-Identifier: GPL-3.0-or-later");
    QStringList missing;
    int files = 0;
    for (const char* folder : {"src", "tests", "tools", "bench"}) {
        QDirIterator it(root + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(root.size());
            if (relative.startsWith(QLatin1String("tests/data/"))) {
                continue;
            }
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
            ++files;
            if (QTextStream(&file).readLine() != licence) {
                missing << relative;
            }
        }
    }
    EXPECT_GT(files, 300);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}

} // namespace
