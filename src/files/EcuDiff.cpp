#include "files/EcuDiff.h"

#include "files/EcuFile.h"

#include <algorithm>

QString EcuFieldDifference::describe() const {
    const QString values = QStringLiteral("%1 -> %2").arg(first).arg(second);
    if (isScalar()) {
        return QStringLiteral("%1: %2").arg(name, values);
    }
    return QStringLiteral("%1, row %2, column %3: %4").arg(name).arg(row).arg(column).arg(values);
}

std::vector<EcuFieldDifference> compareEcuSettings(const EcuSettings& first,
                                                   const EcuSettings& second) {
    std::vector<EcuFieldDifference> differences;
    for (const EcuFileScalar& line : ecuFileScalars()) {
        if (!line.isField() || (line.versions & kInV252) == 0) {
            continue;
        }
        const int64_t a = line.get(first);
        const int64_t b = line.get(second);
        if (a != b) {
            differences.push_back({QString::fromLatin1(line.name).trimmed(), -1, -1, a, b});
        }
    }

    // Both copies lay out their sections over the same table extent.
    EcuSettings a = first;
    EcuSettings b = second;
    a.LoadIndexMax = b.LoadIndexMax = std::max(first.LoadIndexMax, second.LoadIndexMax);
    a.RpmIndexMax = b.RpmIndexMax = std::max(first.RpmIndexMax, second.RpmIndexMax);
    const std::vector<EcuFileSection> sectionsA = ecuFileSections(a);
    const std::vector<EcuFileSection> sectionsB = ecuFileSections(b);
    for (size_t s = 0; s < sectionsA.size(); ++s) {
        const QString heading = sectionsA[s].heading.trimmed();
        const auto& rowsA = sectionsA[s].rows;
        const auto& rowsB = sectionsB[s].rows;
        for (size_t r = 0; r < rowsA.size(); ++r) {
            for (size_t c = 0; c < rowsA[r].size(); ++c) {
                const int64_t va = cellValue(rowsA[r][c]);
                const int64_t vb = cellValue(rowsB[r][c]);
                if (va != vb) {
                    differences.push_back(
                        {heading, static_cast<int>(r), static_cast<int>(c), va, vb});
                }
            }
        }
    }
    return differences;
}
