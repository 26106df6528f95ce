// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "callbacktype.h"
#include "tarvixdevicecallback.h"
#include "tarvixhid.h"
#include "tarvixhidchangedcallback.h"
#include "tarvixmixerdevicecallback.h"

#include <QMainWindow>
#include <QMetaType>
#include <QString>

#include <memory>

class HidPollTimer;
class LevelRow;
class PresetCommands;
class PresetFileDialogs;
class QCheckBox;
class QGroupBox;
class SliderActionGuard;
class TarvixControl;
class TarvixMixerDevice;
class Ui_TarvixMixer;
struct TarvixDevice;
struct WindowImages;

Q_DECLARE_METATYPE(CallbackType)

// The mixer's main window. It borrows the device library's control for its whole life and shows
// the device chosen in its device list.
//
// The library may call onDeviceEvent() and onVolumeChanged() on its own threads; they touch no
// widget and pass their news on as the signals below, which reach the handlers queued on the GUI
// thread (or at once when emitted there). onHIDChanged() is called on the GUI thread only.
// currentDevice is read and written only under the library's re-entrant lock.
//
// The window's listeners stay registered with the library until detachFromLibrary() or the
// destructor withdraws them.
class TarvixMixer : public QMainWindow,
                    protected TarvixMixerDeviceCallback,
                    protected TarvixDeviceCallback,
                    protected TarvixHIDChangedCallback
{
    Q_OBJECT

public:
    explicit TarvixMixer(TarvixControl* control, QWidget* parent = nullptr);
    ~TarvixMixer() override;

    void onVolumeChanged(std::int32_t unused) override;
    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override;
    void onHIDChanged() override;

    // Replaces the file dialogs of the preset commands; the window does not take ownership.
    void setPresetFileDialogs(PresetFileDialogs* dialogs);

    // Loads the preset file into the first device with switches (HID) that the window selects,
    // the current one included, as the Load command would with that file chosen, and with the
    // same messages. Only one file waits at a time.
    void loadPresetFileWhenReady(const QString& fileName);

    // Withdraws the window's listeners from the library (those of the selected device under its
    // lock) and forgets that device; the destructor does it unless it has been done. Call it
    // before the library is deleted ahead of the window.
    void detachFromLibrary();

protected:
    void changeEvent(QEvent* event) override;

signals:
    void TarvixDeviceCallbackGUI(CallbackType type, QString);
    void VolumeChangedCallbackGUI();

public slots:
    void setPhantomLeft(bool enable);
    void setPhantomRight(bool enable);
    void setLoopbackLeft(bool enable);
    void setLoopbackRight(bool enable);
    void setOnTop(bool enable);
    void setPlaybackVolumeLeft(int a);
    void setPlaybackVolumeRight(int a);
    void setRecordVolumeLeft(int a);
    void setRecordVolumeRight(int a);
    void setPlaybackMute(bool enable);
    void setRecordMute(bool enable);
    void TarvixDeviceCallbackGUIHandle(CallbackType type, QString);
    void comboBoxSelectionChanged(int);
    void VolumeChangedCallbackGUIHandle();
    void update_hid_controls();
    void StorePresetDialog();
    void LoadPresetDialog();

private:
    void createParts();
    void connectWidgets();
    void addQuitShortcut();
    void startHidPollTimer();
    void showImages(const WindowImages& images);
    void queuePendingPresetFile();
    void loadPendingPresetFile();
    void showDeviceAfterLoad();

    void addDevice(const QString& id);
    void removeDevice(const QString& id);
    void reapplyIfCurrent(const QString& id);
    void withdrawListeners(TarvixDevice* device);
    void applyDevice();
    void applyEndpoint(TarvixMixerDevice* endpoint, QGroupBox* group, LevelRow& left,
                       LevelRow& right, QCheckBox* mute);
    void applySwitches(TarvixHID* hid);
    void setSwitchClicked(TarvixHID::Switch which, bool enable);
    QCheckBox* switchBox(TarvixHID::Switch which) const;
    void writeMute(TarvixMixerDevice* endpoint, bool mute, QCheckBox* box);
    void showEndpoint(TarvixMixerDevice* endpoint, LevelRow& left, LevelRow& right,
                      QCheckBox* mute);
    void setLevelWidgetSignalsBlocked(bool blocked);
    QString selectedDeviceId() const;

    TarvixControl* control;
    Ui_TarvixMixer* ui;
    TarvixDevice* currentDevice;
    std::unique_ptr<LevelRow> playbackLeft;
    std::unique_ptr<LevelRow> playbackRight;
    std::unique_ptr<LevelRow> recordLeft;
    std::unique_ptr<LevelRow> recordRight;
    std::unique_ptr<PresetCommands> presetCommands;
    std::unique_ptr<HidPollTimer> hidPollTimer;
    SliderActionGuard* sliderActions = nullptr;
    QString pendingPresetFile;
    bool attachedToLibrary = true;
    bool imagesShown = false;
};
