// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetreader.h"

#include "hidswitches.h"
#include "levelscale.h"
#include "presetvalues.h"
#include "tarvixdevice.h"
#include "tarvixmixerdevice.h"

#include <QXmlStreamReader>

#include <optional>

namespace {

// The switch a Hid element names, if any.
std::optional<TarvixHID::Switch> switchNamed(QStringView name)
{
    for (const TarvixHID::Switch which : allSwitches) {
        if (name == QLatin1String(switchName(which)))
            return which;
    }
    return std::nullopt;
}

// A level as the document gives it: in dB (input gains as the mixer shows them), or in percent
// of a level without dB.
struct Level
{
    float value = 0.0f;
    bool percent = false;
};

// The last readable value of each element of one endpoint.
struct EndpointFields
{
    bool seen = false;
    std::optional<Level> left;
    std::optional<Level> right;
    std::optional<bool> muted;
};

// What a document holds for the device, each element once.
struct PresetFields
{
    EndpointFields output;
    EndpointFields input; // gains as the mixer shows them
    std::optional<bool> switches[allSwitches.size()];
};

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

// A streaming walk over the document's tokens with one current token that collects the fields.
// Elements are recognised by name at any depth inside their scope; everything else is passed
// over token by token. Every loop ends as soon as the reader is at its end or in error.
class PresetWalk
{
public:
    explicit PresetWalk(QIODevice* file) : reader(file) {}

    // False when the reader ended in error; the fields then hold what came before.
    bool run();
    const PresetFields& fields() const { return found; }

private:
    bool advance();
    bool readText(QString* text);
    bool isStart(QLatin1String name) const;
    bool isEnd(QLatin1String name) const;

    void readMixer();
    void readEndpoint(QLatin1String scope, EndpointFields* endpoint, bool isInput);
    void readHid();

    QXmlStreamReader reader;
    PresetFields found;
};

bool PresetWalk::run()
{
    while (advance()) {
        if (isStart(QLatin1String("Mixer")))
            readMixer();
        else if (isStart(QLatin1String("Hid")))
            readHid();
    }
    return !reader.hasError();
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
// is then incomplete (a file cut inside "-20.5" gives an empty text) and must not be used.
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
        // Both sections are read and checked whether or not the device has them, so a file is
        // valid or not on its own.
        if (isStart(QLatin1String("Output")))
            readEndpoint(QLatin1String("Output"), &found.output, false);
        else if (isStart(QLatin1String("Input")))
            readEndpoint(QLatin1String("Input"), &found.input, true);
        if (!advance())
            return;
    }
}

// Output levels are kept as dB, the mute step as minus infinity; input values as the gains the
// mixer shows; either as percent when the text ends in '%'. NaN and infinities ("nan", "inf",
// "1e40", "inf%") are passed over: they never replace an earlier value.
std::optional<Level> readLevel(const QString& text, bool isInput)
{
    const bool percent = PresetValues::isPercent(text);
    const std::optional<float> value = percent   ? PresetValues::parsePercent(text)
                                       : isInput ? PresetValues::parseGain(text)
                                                 : PresetValues::parseOutputLevel(text);
    return value ? std::optional<Level>(Level{*value, percent}) : std::nullopt;
}

void PresetWalk::readEndpoint(QLatin1String scope, EndpointFields* endpoint, bool isInput)
{
    endpoint->seen = true;
    while (!isEnd(scope)) {
        const bool left = isStart(QLatin1String("VolumeLeft"));
        if (left || isStart(QLatin1String("VolumeRight"))) {
            QString text;
            if (!readText(&text))
                return;
            const std::optional<Level> value = readLevel(text, isInput);
            if (value)
                (left ? endpoint->left : endpoint->right) = *value;
        } else if (isStart(QLatin1String("Muted"))) {
            QString text;
            if (!readText(&text))
                return;
            endpoint->muted = PresetValues::parseBoolean(text);
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
        const std::optional<TarvixHID::Switch> which =
            reader.isStartElement() ? switchNamed(reader.name()) : std::nullopt;
        if (!which)
            continue;
        // The text is read even without an HID interface, so a malformed value is an error
        // either way.
        QString text;
        if (!readText(&text))
            return;
        found.switches[switchIndex(*which)] = PresetValues::parseBoolean(text);
    }
}

// Applies the collected fields in the order a store writes them, asking `isPresent` after each
// call to the device. False once the device has gone.
class PresetApplier
{
public:
    PresetApplier(TarvixDevice* device, const std::function<bool()>& isPresent)
        : device(device), isPresent(isPresent)
    {
    }

    bool apply(const PresetFields& fields);

private:
    bool applyEndpoint(TarvixMixerDevice* endpoint, const EndpointFields& fields, bool isInput);
    bool stillPresent() const { return !isPresent || isPresent(); }

    TarvixDevice* device;
    const std::function<bool()>& isPresent;
};

bool PresetApplier::apply(const PresetFields& fields)
{
    if (!device)
        return true;
    if (device->output && !applyEndpoint(device->output, fields.output, false))
        return false;
    if (device->input && !applyEndpoint(device->input, fields.input, true))
        return false;
    for (const TarvixHID::Switch which : allSwitches) {
        const std::optional<bool> on = fields.switches[switchIndex(which)];
        if (!device->hid || !on)
            continue;
        setSwitch(*device->hid, which, *on);
        if (!stillPresent())
            return false;
    }
    return true;
}

// Input gains are mapped back to device levels with the endpoint's step; a gain that overflows
// once mapped is not sent, nor any level to an endpoint without levels. A level in percent goes
// only to a level without dB, a level in dB only to one with dB; the other is passed over.
bool PresetApplier::applyEndpoint(TarvixMixerDevice* endpoint, const EndpointFields& fields,
                                  bool isInput)
{
    if (!fields.seen)
        return true;
    const bool inDb = endpoint->levelsAreInDb();
    float stepDb = 0.0f;
    if (isInput && inDb) {
        float minDb = 0.0f;
        float maxDb = 0.0f;
        endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    }
    const bool hasLevels = endpoint->hasLevels();
    const auto levelFor = [isInput, inDb, stepDb, hasLevels](const std::optional<Level>& level) {
        std::optional<float> sent;
        if (!level || level->percent == inDb || !hasLevels)
            return sent;
        sent = isInput && inDb ? LevelScale::inputLevelForGain(level->value, stepDb) : level->value;
        const bool mutes = !isInput && inDb && PresetValues::isMuteStep(*sent);
        return PresetValues::isSendable(*sent) || mutes ? sent : std::nullopt;
    };
    if (const std::optional<float> left = levelFor(fields.left)) {
        endpoint->setVolumeLeft(*left);
        if (!stillPresent())
            return false;
    }
    if (const std::optional<float> right = levelFor(fields.right)) {
        endpoint->setVolumeRight(*right);
        if (!stillPresent())
            return false;
    }
    if (fields.muted) {
        endpoint->setMute(*fields.muted);
        if (!stillPresent())
            return false;
    }
    return true;
}

} // namespace

PresetReadResult readPreset(QIODevice* file, TarvixDevice* device,
                            const std::function<bool()>& isPresent)
{
    PresetWalk walk(file);
    const bool readToEnd = walk.run();
    if (!PresetApplier(device, isPresent).apply(walk.fields()))
        return PresetReadResult::DeviceRemoved;
    return readToEnd ? PresetReadResult::Applied : PresetReadResult::InvalidFile;
}
