#pragma once

#include "TUMessage.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: the input as Qt bytes and a message sink
// that keeps quiet, so that millions of refused inputs print nothing.
namespace FuzzInput {

class QuietSink : public TUMessage
{
public:
    QuietSink() : TUMessage(QStringLiteral("fuzz"), false) {}

protected:
    void writeMessage(char, const QString &, const QString &, bool) override {}
};

inline void quiet()
{
    static QuietSink sink;
    static const bool installed = (TUMessage::setInstance(&sink), true);
    (void)installed;
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

// A read-only device over the input, as the readers get a file.
class Device : public QBuffer
{
public:
    explicit Device(const QByteArray &data) : m_data(data)
    {
        setBuffer(&m_data);
        open(QIODevice::ReadOnly);
    }

private:
    QByteArray m_data;
};

// A property the reader must keep: a failure aborts, which libFuzzer
// reports as a finding with its input.
inline void require(bool holds, const char *what, const QString &detail = QString())
{
    if (!holds) {
        fprintf(stderr, "fuzz property broken: %s %s\n", what, qUtf8Printable(detail));
        abort();
    }
}

} // namespace FuzzInput
