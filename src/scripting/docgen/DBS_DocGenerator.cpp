#include "DBS_DocGenerator.h"

#include <QMetaEnum>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>

QString DBS_DocGenerator::escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

void DBS_DocGenerator::writeClass(const QMetaObject &meta, const QString &scriptName, const QString &constructor)
{
    m_out << "<h2 id=\"" << scriptName << "\">" << scriptName << "</h2>\n";
    m_out << "<p class=\"cpp\">C++ class <code>" << meta.className() << "</code></p>\n";
    if (!constructor.isEmpty())
        m_out << "<p>Constructor: <code>" << escaped(constructor) << "</code></p>\n";
    writeEnums(meta, scriptName);
    writeProperties(meta);
    writeMethods(meta);
}

void DBS_DocGenerator::writeProperties(const QMetaObject &meta)
{
    // Every property below QObject's own, the inherited ones included.
    const int first = QObject::staticMetaObject.propertyCount();
    if (meta.propertyCount() == first)
        return;
    m_out << "<h3>Properties</h3>\n<table>\n<tr><th>name</th><th>type</th><th>access</th></tr>\n";
    for (int i = first; i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        m_out << "<tr><td><code>" << property.name() << "</code></td><td>" << escaped(QString::fromLatin1(property.typeName()))
              << "</td><td>" << (property.isWritable() ? "read/write" : "read-only") << "</td></tr>\n";
    }
    m_out << "</table>\n";
}

void DBS_DocGenerator::writeMethods(const QMetaObject &meta)
{
    QStringList lines;
    for (int i = QObject::staticMetaObject.methodCount(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        // A slot with default arguments has clones without them; list it once.
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Public
            || (method.attributes() & QMetaMethod::Cloned))
            continue;
        QStringList parameters;
        const QList<QByteArray> types = method.parameterTypes();
        const QList<QByteArray> names = method.parameterNames();
        for (int p = 0; p < types.size(); ++p)
            parameters << QString::fromLatin1(types[p] + ' ' + names.value(p));
        const QString type = QString::fromLatin1(method.typeName());
        lines << QStringLiteral("<li><code>%1 %2(%3)</code></li>")
                     .arg(escaped(type == QLatin1String("void") ? QStringLiteral("void") : type),
                          QString::fromLatin1(method.name()), escaped(parameters.join(QStringLiteral(", "))));
    }
    if (lines.isEmpty())
        return;
    m_out << "<h3>Methods</h3>\n<ul>\n" << lines.join(QLatin1Char('\n')) << "\n</ul>\n";
}

void DBS_DocGenerator::writeEnums(const QMetaObject &meta, const QString &scriptName)
{
    for (int i = meta.enumeratorOffset(); i < meta.enumeratorCount(); ++i) {
        const QMetaEnum enumerator = meta.enumerator(i);
        m_out << "<h3>Enumeration " << enumerator.name() << "</h3>\n<table>\n<tr><th>name</th><th>value</th></tr>\n";
        for (int k = 0; k < enumerator.keyCount(); ++k)
            m_out << "<tr><td><code>" << scriptName << '.' << enumerator.key(k) << "</code></td><td>"
                  << enumerator.value(k) << "</td></tr>\n";
        m_out << "</table>\n";
    }
}

void DBS_DocGenerator::writeExample(const QString &fileName, const QString &text)
{
    m_out << "<h3>" << escaped(fileName) << "</h3>\n<pre>" << escaped(text) << "</pre>\n";
}
