#pragma once

#include <QString>
#include <QTest>
#include <QWidget>

// Types text character by character as real key presses; unlike QTest::keyClicks it takes
// characters outside ASCII (Cyrillic names, answers).
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        const QString one(ch);
        Qt::Key key = Qt::Key_unknown;
        if (ch.unicode() < 0x80 && ch.isPrint())
            key = static_cast<Qt::Key>(QChar(ch).toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, one, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, one, Qt::NoModifier);
    }
}
