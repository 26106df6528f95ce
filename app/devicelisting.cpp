// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicelisting.h"

#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixmixerdevice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace DeviceListing {

QStringList featuresOf(const TarvixDevice& device)
{
    QStringList features;
    const auto direction = [&features](TarvixMixerDevice* endpoint, const QString& name) {
        if (endpoint)
            features << (endpoint->hasLevels() ? name : name + QStringLiteral("-mute"));
    };
    direction(device.output, QStringLiteral("output"));
    direction(device.input, QStringLiteral("input"));
    using Switch = TarvixHID::Switch;
    TarvixHID* hid = device.hid;
    if (hid && (hid->hasSwitch(Switch::PhantomLeft) || hid->hasSwitch(Switch::PhantomRight)))
        features << QStringLiteral("phantom");
    if (hid && (hid->hasSwitch(Switch::LoopbackLeft) || hid->hasSwitch(Switch::LoopbackRight)))
        features << QStringLiteral("loopback");
    return features;
}

QString escaped(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            result += QStringLiteral("\\\\");
        else if (c == u'\t')
            result += QStringLiteral("\\t");
        else if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c == u'\r')
            result += QStringLiteral("\\r");
        else if (c.category() == QChar::Other_Control)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

QString tabSeparated(const QList<ListedDevice>& devices)
{
    QString text;
    for (const ListedDevice& device : devices) {
        const QString features =
            device.features.isEmpty() ? QStringLiteral("-") : device.features.join(u',');
        text += escaped(device.id) + u'\t' + escaped(device.name) + u'\t' + features + u'\n';
    }
    return text;
}

QByteArray json(const QList<ListedDevice>& devices)
{
    QJsonArray array;
    for (const ListedDevice& device : devices) {
        array.append(
            QJsonObject{{QStringLiteral("id"), device.id},
                        {QStringLiteral("name"), device.name},
                        {QStringLiteral("features"), QJsonArray::fromStringList(device.features)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace DeviceListing
