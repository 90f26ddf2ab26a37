#pragma once

// QtXml's SAX classes are deprecated in Qt 5.15 but still shipped; only the
// scene-file handlers of this library use them, compiled with the deprecation
// cut-off lowered (see CMakeLists.txt). Include this header from nowhere else:
// TUIEFile is the library's interface to scene files.
#include <QXmlDefaultHandler>

// Runs a SAX parse of one input with a content handler that may also be the
// lexical handler (for CDATA sections).
class PIO_ParserHandler
{
public:
    // False when the parse stops (a refusal by the input's syntax or by the
    // handler); error then says why, with the line number where there is one.
    static bool parse(QXmlDefaultHandler &handler, QIODevice &input, QString &error);
    // Whether text holds only characters XML 1.0 allows (the reader
    // delivers some it does not, such as U+0000).
    static bool isXmlText(const QString &text);
};
