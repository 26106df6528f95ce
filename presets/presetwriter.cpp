// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetwriter.h"

#include "hidswitches.h"
#include "levelscale.h"
#include "presetvalues.h"
#include "tarvixdevice.h"
#include "tarvixmixerdevice.h"

#include <QXmlStreamWriter>

namespace {

void writeNumber(QXmlStreamWriter& writer, const QString& name, double value)
{
    writer.writeTextElement(name, PresetValues::formatNumber(value));
}

void writeBoolean(QXmlStreamWriter& writer, const QString& name, bool on)
{
    writer.writeTextElement(name, PresetValues::formatBoolean(on));
}

void writeOutputLevels(QXmlStreamWriter& writer, TarvixMixerDevice* output)
{
    writeNumber(writer, QStringLiteral("VolumeLeft"), output->getVolumeLeft());
    writeNumber(writer, QStringLiteral("VolumeRight"), output->getVolumeRight());
}

// The input levels are stored as the gains the mixer shows for them, not in device dB.
void writeInputGains(QXmlStreamWriter& writer, TarvixMixerDevice* input)
{
    float minDb = 0.0f;
    float maxDb = 0.0f;
    float stepDb = 0.0f;
    input->getVolumeRange(&minDb, &maxDb, &stepDb);
    writeNumber(writer, QStringLiteral("VolumeLeft"),
                static_cast<double>(LevelScale::inputGainForLevel(input->getVolumeLeft(), stepDb)));
    writeNumber(
        writer, QStringLiteral("VolumeRight"),
        static_cast<double>(LevelScale::inputGainForLevel(input->getVolumeRight(), stepDb)));
}

// Levels without dB, in either direction, are stored in percent as the device reports them.
void writePercentLevels(QXmlStreamWriter& writer, TarvixMixerDevice* endpoint)
{
    writer.writeTextElement(QStringLiteral("VolumeLeft"),
                            PresetValues::formatPercent(endpoint->getVolumeLeft()));
    writer.writeTextElement(QStringLiteral("VolumeRight"),
                            PresetValues::formatPercent(endpoint->getVolumeRight()));
}

void writeLevels(QXmlStreamWriter& writer, TarvixMixerDevice* endpoint, bool isInput)
{
    if (!endpoint->levelsAreInDb())
        writePercentLevels(writer, endpoint);
    else if (isInput)
        writeInputGains(writer, endpoint);
    else
        writeOutputLevels(writer, endpoint);
}

// An endpoint without levels, its mute alone, is stored as <Muted> only.
void writeEndpoint(QXmlStreamWriter& writer, const QString& scope, TarvixMixerDevice* endpoint,
                   bool isInput)
{
    writer.writeStartElement(scope);
    if (endpoint->hasLevels())
        writeLevels(writer, endpoint, isInput);
    writeBoolean(writer, QStringLiteral("Muted"), endpoint->getMute());
    writer.writeEndElement();
}

void writeHid(QXmlStreamWriter& writer, TarvixHID* hid)
{
    writer.writeStartElement(QStringLiteral("Hid"));
    for (const TarvixHID::Switch which : allSwitches)
        writeBoolean(writer, QLatin1String(switchName(which)), getSwitch(*hid, which));
    writer.writeEndElement();
}

} // namespace

void writePreset(QIODevice* file, TarvixDevice* device)
{
    QXmlStreamWriter writer(file);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("Tarvix"));
    if (device) {
        writer.writeStartElement(QStringLiteral("Mixer"));
        if (device->output)
            writeEndpoint(writer, QStringLiteral("Output"), device->output, false);
        if (device->input)
            writeEndpoint(writer, QStringLiteral("Input"), device->input, true);
        writer.writeEndElement();
        if (device->hid)
            writeHid(writer, device->hid);
    }
    writer.writeEndElement();
    writer.writeEndDocument();
}
