// SPDX-License-Identifier: GPL-3.0-or-later
// The list-style reader on any bytes: it never fails other than by its error,
// and every number it reads comes back the same through the writer.

#include "record/ListStyle.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void numberRoundTrip(const QByteArray& item) {
    {
        ListReader reader(item);
        if (const std::optional<int64_t> value = reader.readInteger(
                std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max())) {
            ListWriter writer;
            writer.writeInteger(*value);
            writer.endLine();
            ListReader back(writer.data());
            check(back.readInteger(std::numeric_limits<int64_t>::min(),
                                   std::numeric_limits<int64_t>::max()) == value);
        }
    }
    ListReader reader(item);
    if (const std::optional<float> value = reader.readSingle()) {
        ListWriter writer;
        writer.writeSingle(*value);
        writer.endLine();
        ListReader back(writer.data());
        const std::optional<float> again = back.readSingle();
        // -0 is written as 0.
        check(again && *again == *value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ListReader reader(bytes);
    ListWriter writer;
    QStringList plain;
    while (!reader.atEnd()) {
        const std::optional<QString> item = reader.readString();
        check(item.has_value());
        numberRoundTrip(item->toLatin1());
        // A text without quotes or line ends reads back as written.
        if (!item->contains(QLatin1Char('"')) && !item->contains(QLatin1Char('\r')) &&
            !item->contains(QLatin1Char('\n'))) {
            writer.writeString(*item);
            plain << *item;
        }
    }
    check(!reader.failed());
    check(!reader.readString().has_value() && reader.failed());
    quotedItem(reader.error());

    writer.endLine();
    ListReader back(writer.data());
    for (const QString& text : plain) {
        check(back.readString() == text);
    }
    return 0;
}
