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

void writeOutput(QXmlStreamWriter& writer, TarvixMixerDevice* output)
{
    writer.writeStartElement(QStringLiteral("Output"));
    writeNumber(writer, QStringLiteral("VolumeLeft"), output->getVolumeLeft());
    writeNumber(writer, QStringLiteral("VolumeRight"), output->getVolumeRight());
    writeBoolean(writer, QStringLiteral("Muted"), output->getMute());
    writer.writeEndElement();
}

// The input levels are stored as the gains the mixer shows for them, not in device dB.
void writeInput(QXmlStreamWriter& writer, TarvixMixerDevice* input)
{
    float minDb = 0.0f;
    float maxDb = 0.0f;
    float stepDb = 0.0f;
    input->getVolumeRange(&minDb, &maxDb, &stepDb);
    writer.writeStartElement(QStringLiteral("Input"));
    writeNumber(writer, QStringLiteral("VolumeLeft"),
                static_cast<double>(LevelScale::inputGainForLevel(input->getVolumeLeft(), stepDb)));
    writeNumber(
        writer, QStringLiteral("VolumeRight"),
        static_cast<double>(LevelScale::inputGainForLevel(input->getVolumeRight(), stepDb)));
    writeBoolean(writer, QStringLiteral("Muted"), input->getMute());
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
            writeOutput(writer, device->output);
        if (device->input)
            writeInput(writer, device->input);
        writer.writeEndElement();
        if (device->hid)
            writeHid(writer, device->hid);
    }
    writer.writeEndElement();
    writer.writeEndDocument();
}
