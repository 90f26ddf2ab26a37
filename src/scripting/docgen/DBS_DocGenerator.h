#pragma once

#include <QString>
#include <QTextStream>

struct QMetaObject;

// Writes the scripting reference: for each script class its script name,
// its properties (type, read-only or writable), its methods with their
// signatures and its enumerations, all read from the meta-objects.
class DBS_DocGenerator
{
public:
    explicit DBS_DocGenerator(QTextStream &out) : m_out(out) {}

    void writeClass(const QMetaObject &meta, const QString &scriptName, const QString &constructor);
    void writeExample(const QString &fileName, const QString &text);
    static QString escaped(const QString &text);

private:
    void writeProperties(const QMetaObject &meta);
    void writeMethods(const QMetaObject &meta);
    void writeEnums(const QMetaObject &meta, const QString &scriptName);

    QTextStream &m_out;
};
