#pragma once

#include <QPushButton>
#include <QtTest>

// Finding and pressing what a user sees in a dialog, by its text.

// The widget of type T below parent showing text, or null.
template <typename T = QPushButton>
T *withText(QWidget *parent, const QString &text)
{
    for (T *candidate : parent->findChildren<T *>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// Clicks the push button showing text; the test fails when there is none.
inline void press(QWidget *parent, const QString &text)
{
    QPushButton *button = withText(parent, text);
    QVERIFY2(button, qPrintable(text));
    QTest::mouseClick(button, Qt::LeftButton);
}
