// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// A print into a PDF file is written beside the chosen name under a
// temporary name, and takes the chosen name only once it is whole: a write
// that fails part-way (a full disk) leaves an earlier file of that name as it
// was, and is reported.
class PrintFile {
public:
    // The file the print is meant for; a symbolic link stays a link, its
    // target gets the print.
    explicit PrintFile(const QString& path);

    // Makes the temporary file the printer writes; false, with error(), when
    // it cannot be made.
    bool open();
    QString temporaryPath() const { return m_temporary.fileName(); }

    // Checks that the printer wrote a whole PDF document and puts it under
    // the chosen name; false, with error(), otherwise. The temporary file is
    // gone either way.
    bool finish();

    QString error() const { return m_error; }

private:
    bool putInPlace();

    QString m_path;
    QTemporaryFile m_temporary;
    QString m_error;
};

// Whether data is a PDF document written to its end: it ends with the end
// marker, and the cross-reference table sits where the trailer says, which a
// part lost on the way would have moved.
bool isWholePdf(const QByteArray& data);
