#pragma once

#include "callbacktype.h"
#include "tarvixdevicecallback.h"
#include "tarvixhidchangedcallback.h"
#include "tarvixmixerdevicecallback.h"

#include <QMainWindow>
#include <QMetaType>
#include <QString>

class PresetFileDialogs;
class QCheckBox;
class QLabel;
class QSlider;
class TarvixControl;
class TarvixHID;
class TarvixMixerDevice;
class Ui_TarvixMixer;
struct TarvixDevice;

Q_DECLARE_METATYPE(CallbackType)

// The mixer's main window. It borrows the device library's control for its whole life and shows
// the device chosen in its device list.
//
// The library may call onDeviceEvent() and onVolumeChanged() on its own threads; they touch no
// widget and pass their news on as the signals below, which reach the handlers queued on the GUI
// thread (or at once when emitted there). onHIDChanged() is called on the GUI thread only.
// currentDevice is read and written only under the library's re-entrant lock.
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
    // One slider with its endpoint, its read-out, the slider of the other channel and the
    // direction's link box.
    struct LevelChannel
    {
        TarvixMixerDevice* TarvixDevice::*endpoint;
        QSlider* slider;
        QLabel* label;
        QSlider* partner;
        QCheckBox* link;
        void (TarvixMixerDevice::*setVolume)(float);
        float (TarvixMixerDevice::*getVolume)();
    };

    void connectWidgets();
    void startHidPollTimer();

    void addDevice(const QString& id);
    void removeDevice(const QString& id);
    void reapplyIfCurrent(const QString& id);
    void withdrawListeners(TarvixDevice* device);
    void applyDevice();
    void applyOutputRange(TarvixMixerDevice* output);
    void applyInputRange(TarvixMixerDevice* input);

    LevelChannel playbackChannel(bool left) const;
    LevelChannel recordChannel(bool left) const;
    void setLevel(const LevelChannel& channel, int position);
    void setMute(TarvixMixerDevice* TarvixDevice::*endpoint, bool enable);
    void setHidSwitch(void (TarvixHID::*setter)(bool), bool enable);
    void refreshPlayback(TarvixMixerDevice* output);
    void refreshRecord(TarvixMixerDevice* input);
    void setLevelWidgetSignalsBlocked(bool blocked);

    void showError(const QString& message);

    TarvixControl* control;
    Ui_TarvixMixer* ui;
    TarvixDevice* currentDevice;
    PresetFileDialogs* fileDialogs;
};
