#include "presetreader.h"

#include "levelscale.h"
#include "presetvalues.h"
#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixmixerdevice.h"

#include <QXmlStreamReader>

namespace {

using SwitchSetter = void (TarvixHID::*)(bool);

// The HID setter an element inside Hid stands for, or null.
SwitchSetter switchSetterFor(QStringView name)
{
    if (name == QLatin1String("PhantomLeft"))
        return &TarvixHID::setPhantomLeft;
    if (name == QLatin1String("PhantomRight"))
        return &TarvixHID::setPhantomRight;
    if (name == QLatin1String("LoopbackLeft"))
        return &TarvixHID::setLoopbackLeft;
    if (name == QLatin1String("LoopbackRight"))
        return &TarvixHID::setLoopbackRight;
    return nullptr;
}

// The internal subset of a document type declaration is refused. It is where entities and
// default attributes are declared, and Qt bounds neither: it caps each single entity expansion
// but not the number of references (a few hundred kilobytes of references to one 4 KB entity
// expand to gigabytes), and it adds every declared default attribute to every element (100 KB
// of empty elements with 2000 defaults take seconds; 50 MB would take most of an hour). A preset
// never needs one. External subsets and entities are never read by Qt.
bool hasInternalSubset(QStringView declaration)
{
    QChar quote;
    for (const QChar c : declaration) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'[') {
            return true;
        }
    }
    return false;
}

// A streaming walk over the document's tokens with one current token. Elements are recognised
// by name at any depth inside their scope; everything else is passed over token by token. Every
// loop ends as soon as the reader is at its end or in error.
class PresetWalk
{
public:
    PresetWalk(QIODevice* file, TarvixDevice* device) : reader(file), device(device) {}

    bool run();

private:
    bool advance();
    bool readText(QString* text);
    bool isStart(QLatin1String name) const;
    bool isEnd(QLatin1String name) const;

    void readMixer();
    void readEndpoint(QLatin1String scope, TarvixMixerDevice* endpoint, bool isInput);
    void readHid();

    QXmlStreamReader reader;
    TarvixDevice* device;
};

bool PresetWalk::run()
{
    while (advance()) {
        if (isStart(QLatin1String("Mixer")))
            readMixer();
        else if (isStart(QLatin1String("Hid")))
            readHid();
    }
    return reader.hasError();
}

// Reads the next token; false once the reader is at its end or in error.
bool PresetWalk::advance()
{
    if (reader.atEnd())
        return false;
    reader.readNext();
    if (reader.tokenType() == QXmlStreamReader::DTD && hasInternalSubset(reader.text()))
        reader.raiseError(QStringLiteral("Document type declarations with an internal subset "
                                         "are not accepted."));
    return !reader.atEnd();
}

// Collects the text of the current start element up to its end element, which becomes the
// current token. A child element is an error. False when the reader ended in error: the text
// is then incomplete (a file cut inside "-20.5" gives an empty text) and must not be applied.
bool PresetWalk::readText(QString* text)
{
    *text = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    return !reader.hasError();
}

bool PresetWalk::isStart(QLatin1String name) const
{
    return reader.isStartElement() && reader.name() == name;
}

bool PresetWalk::isEnd(QLatin1String name) const
{
    return reader.isEndElement() && reader.name() == name;
}

void PresetWalk::readMixer()
{
    if (!advance())
        return;
    while (!isEnd(QLatin1String("Mixer"))) {
        if (device && device->output && isStart(QLatin1String("Output")))
            readEndpoint(QLatin1String("Output"), device->output, false);
        else if (device && device->input && isStart(QLatin1String("Input")))
            readEndpoint(QLatin1String("Input"), device->input, true);
        if (!advance())
            return;
    }
}

// Output levels go to the device as they stand; input values are gains as the mixer shows
// them and are mapped back to device levels with the endpoint's step.
void PresetWalk::readEndpoint(QLatin1String scope, TarvixMixerDevice* endpoint, bool isInput)
{
    float stepDb = 0.0f;
    if (isInput) {
        float minDb = 0.0f;
        float maxDb = 0.0f;
        endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    }
    while (!isEnd(scope)) {
        const bool left = isStart(QLatin1String("VolumeLeft"));
        if (left || isStart(QLatin1String("VolumeRight"))) {
            QString text;
            if (!readText(&text))
                return;
            const float value = PresetValues::parseNumber(text);
            const float levelDb = isInput ? LevelScale::inputLevelForGain(value, stepDb) : value;
            // NaN and infinities ("nan", "inf", "1e40", or a gain that overflows once mapped)
            // never reach the device library: such an element is passed over.
            if (PresetValues::isSendable(value) && PresetValues::isSendable(levelDb)) {
                if (left)
                    endpoint->setVolumeLeft(levelDb);
                else
                    endpoint->setVolumeRight(levelDb);
            }
        } else if (isStart(QLatin1String("Muted"))) {
            QString text;
            if (!readText(&text))
                return;
            endpoint->setMute(PresetValues::parseBoolean(text));
        }
        if (!advance())
            return;
    }
}

void PresetWalk::readHid()
{
    for (;;) {
        if (!advance() || isEnd(QLatin1String("Hid")))
            return;
        const SwitchSetter setter =
            reader.isStartElement() ? switchSetterFor(reader.name()) : nullptr;
        if (!setter)
            continue;
        // The text is read even without an HID interface, so a malformed value is an error
        // either way.
        QString text;
        if (!readText(&text))
            return;
        if (device && device->hid)
            (device->hid->*setter)(PresetValues::parseBoolean(text));
    }
}

} // namespace

bool readPreset(QIODevice* file, TarvixDevice* device)
{
    return PresetWalk(file, device).run();
}
