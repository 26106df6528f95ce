// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the window tests share: scripted file dialogs and the window around the recording fake
// library. Everything here runs on the GUI thread.

#include "presetfiledialogs.h"
#include "recordinglibrary.h"
#include "windowparts.h"

#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

// Answers the preset commands' file dialogs with `fileName`, after running `whileOpen`.
class ScriptedDialogs : public PresetFileDialogs
{
public:
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return answer();
    }
    QString getOpenFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return answer();
    }

    QString fileName;
    std::function<void()> whileOpen;

private:
    QString answer()
    {
        if (whileOpen)
            whileOpen();
        return fileName;
    }
};

inline FakeDeviceConfig fakeDevice(const QByteArray& id, bool hid = true, bool input = true,
                                   bool output = true)
{
    return {id, "Gerät " + id, hid, input, output};
}

// A window built around a recording fake library that holds `devices` and reports the arrival
// of `arrivalsOnRegister` from within the registration.
struct MixerFixture : WindowParts
{
    explicit MixerFixture(const QList<FakeDeviceConfig>& devices = {fakeDevice("a")},
                          const QList<QByteArray>& arrivalsOnRegister = {"a"})
    {
        for (const FakeDeviceConfig& config : devices)
            library.plug(config);
        library.arrivalsOnRegister = arrivalsOnRegister;
        window = std::make_unique<TarvixMixer>(&library);
    }
    ~MixerFixture() { window.reset(); }

    FakeDevice* device(const char* id) const { return library.device(id); }
    QStringList calls() const { return library.log.calls(); }
    bool called(const QString& prefix) const { return library.log.contains(prefix); }

    RecordingLibrary library;
};
