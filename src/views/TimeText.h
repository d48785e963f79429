#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// Position texts of the player controls, shared by the now-playing bar and the mini players.
class TimeText : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    // "m:ss": whole minutes unpadded, seconds two digits, no hours field (3725 s is
    // "62:05"). The fraction is discarded. A position that is not a finite, non-negative
    // number (a player glitch) reads "0:00" instead of a nonsense text.
    Q_INVOKABLE static QString formatted(double seconds);
};
