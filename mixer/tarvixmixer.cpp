#include "tarvixmixer.h"

#include "levellabels.h"
#include "levelscale.h"
#include "librarylocker.h"
#include "presetfiledialogs.h"
#include "presetreader.h"
#include "presetwriter.h"
#include "tarvixlibrary.h"
#include "ui_tarvixmixer.h"

#include <QErrorMessage>
#include <QFile>
#include <QSaveFile>
#include <QTimer>

namespace {
constexpr int hidPollIntervalMs = 500;
const char* const errorTitle = "TarvixMixer - Error";
const char* const presetFileName = "preset.tarvix";
} // namespace

TarvixMixer::TarvixMixer(TarvixControl* control, QWidget* parent)
    : QMainWindow(parent), control(control), ui(new Ui_TarvixMixer), currentDevice(nullptr),
      fileDialogs(PresetFileDialogs::qtDialogs())
{
    ui->setupUi(this);
    qRegisterMetaType<CallbackType>("CallbackType");
    connectWidgets();
    // Everything above must be in place before the library may report its first device.
    control->registerTarvixDeviceCallback(this);
    startHidPollTimer();
}

TarvixMixer::~TarvixMixer()
{
    delete ui;
}

void TarvixMixer::setPresetFileDialogs(PresetFileDialogs* dialogs)
{
    fileDialogs = dialogs;
}

void TarvixMixer::connectWidgets()
{
    connect(ui->combo_device_select, &QComboBox::currentIndexChanged, this,
            &TarvixMixer::comboBoxSelectionChanged);
    connect(this, &TarvixMixer::TarvixDeviceCallbackGUI, this,
            &TarvixMixer::TarvixDeviceCallbackGUIHandle);
    connect(this, &TarvixMixer::VolumeChangedCallbackGUI, this,
            &TarvixMixer::VolumeChangedCallbackGUIHandle);
    connect(ui->vol_slider_playback_left, &QSlider::valueChanged, this,
            &TarvixMixer::setPlaybackVolumeLeft);
    connect(ui->vol_slider_playback_right, &QSlider::valueChanged, this,
            &TarvixMixer::setPlaybackVolumeRight);
    connect(ui->vol_slider_record_left, &QSlider::valueChanged, this,
            &TarvixMixer::setRecordVolumeLeft);
    connect(ui->vol_slider_record_right, &QSlider::valueChanged, this,
            &TarvixMixer::setRecordVolumeRight);
    // Check boxes reach their slots through clicked() only, so setting their state from code
    // never writes to the device.
    connect(ui->cb_record_mute, &QCheckBox::clicked, this, &TarvixMixer::setRecordMute);
    connect(ui->cb_playback_mute, &QCheckBox::clicked, this, &TarvixMixer::setPlaybackMute);
    connect(ui->cb_phantom_left, &QCheckBox::clicked, this, &TarvixMixer::setPhantomLeft);
    connect(ui->cb_phantom_right, &QCheckBox::clicked, this, &TarvixMixer::setPhantomRight);
    connect(ui->cb_loopback_left, &QCheckBox::clicked, this, &TarvixMixer::setLoopbackLeft);
    connect(ui->cb_loopback_right, &QCheckBox::clicked, this, &TarvixMixer::setLoopbackRight);
    connect(ui->StoreButton, &QPushButton::clicked, this, &TarvixMixer::StorePresetDialog);
    connect(ui->LoadButton, &QPushButton::clicked, this, &TarvixMixer::LoadPresetDialog);
    connect(ui->checkBox, &QCheckBox::clicked, this, &TarvixMixer::setOnTop);
}

void TarvixMixer::startHidPollTimer()
{
    // The timer has no parent: it is not part of the window's object tree. It goes with the
    // window all the same.
    auto* hidPollTimer = new QTimer;
    connect(hidPollTimer, &QTimer::timeout, this, &TarvixMixer::update_hid_controls);
    connect(this, &QObject::destroyed, [hidPollTimer] { delete hidPollTimer; });
    hidPollTimer->start(hidPollIntervalMs);
}

// ---- Notifications from the library ----

void TarvixMixer::onVolumeChanged(std::int32_t)
{
    emit VolumeChangedCallbackGUI();
}

void TarvixMixer::onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device)
{
    {
        LibraryLocker locker(control);
        // From here on no slot touches the removed device, even before the handler has run.
        if (type == DeviceRemoval && device == currentDevice)
            currentDevice = nullptr;
    }
    emit TarvixDeviceCallbackGUI(type, QString::fromUtf8(id));
}

void TarvixMixer::TarvixDeviceCallbackGUIHandle(CallbackType type, QString id)
{
    switch (type) {
    case DeviceArrival:
        addDevice(id);
        break;
    case DeviceRemoval:
        removeDevice(id);
        break;
    case DeviceChange:
        reapplyIfCurrent(id);
        break;
    }
}

// ---- Device selection ----

void TarvixMixer::addDevice(const QString& id)
{
    LibraryLocker locker(control);
    const QByteArray utf8Id = id.toUtf8();
    TarvixDevice* device = control->getDevice(utf8Id.constData());
    if (!device)
        return;
    // The first item becomes current inside the insertion, which selects and applies it.
    QComboBox* list = ui->combo_device_select;
    list->insertItem(list->count(), QIcon(), QString::fromUtf8(device->name),
                     QString::fromUtf8(device->id));
}

void TarvixMixer::removeDevice(const QString& id)
{
    QComboBox* list = ui->combo_device_select;
    const int index = list->findData(id, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        list->removeItem(index);
    applyDevice();
}

void TarvixMixer::reapplyIfCurrent(const QString& id)
{
    const QByteArray utf8Id = id.toUtf8();
    TarvixDevice* device = control->getDevice(utf8Id.constData());
    if (!device)
        return;
    LibraryLocker locker(control);
    if (device == currentDevice)
        applyDevice();
}

void TarvixMixer::comboBoxSelectionChanged(int index)
{
    const QVariant data = ui->combo_device_select->itemData(index, Qt::UserRole);
    if (data.isNull())
        return;
    const QByteArray id = data.toString().toUtf8();
    {
        LibraryLocker locker(control);
        if (currentDevice)
            withdrawListeners(currentDevice);
        currentDevice = control->getDevice(id.constData());
    }
    applyDevice();
}

void TarvixMixer::withdrawListeners(TarvixDevice* device)
{
    if (device->hid)
        device->hid->registerChangedCallback(nullptr);
    if (device->input)
        device->input->registerCallback(nullptr);
    if (device->output)
        device->output->registerCallback(nullptr);
}

void TarvixMixer::applyDevice()
{
    {
        LibraryLocker locker(control);
        if (!currentDevice) {
            ui->gb_hid_control->setEnabled(false);
            ui->gb_playback->setEnabled(false);
            ui->gb_record->setEnabled(false);
            ui->StoreButton->setEnabled(false);
            ui->LoadButton->setEnabled(false);
        } else {
            // Presets hold the switches, so the preset commands need the HID interface.
            const bool hasHid = currentDevice->hid != nullptr;
            ui->gb_hid_control->setEnabled(hasHid);
            if (hasHid)
                currentDevice->hid->registerChangedCallback(this);
            ui->StoreButton->setEnabled(hasHid);
            ui->LoadButton->setEnabled(hasHid);

            if (currentDevice->output)
                applyOutputRange(currentDevice->output);
            else
                ui->gb_playback->setEnabled(false);

            if (currentDevice->input)
                applyInputRange(currentDevice->input);
            else
                ui->gb_record->setEnabled(false);
        }
    }
    onVolumeChanged(0);
}

namespace {

// Sets a slider's limits in endpoint steps, maximum first. A step the mixer cannot divide by
// leaves the slider as it is.
void setSliderRange(QSlider* slider, float minDb, float maxDb, float stepDb)
{
    if (!LevelScale::isUsableStep(stepDb))
        return;
    slider->setMaximum(LevelScale::positionForLevel(maxDb, stepDb));
    slider->setMinimum(LevelScale::positionForLevel(minDb, stepDb));
}

} // namespace

void TarvixMixer::applyOutputRange(TarvixMixerDevice* output)
{
    ui->gb_playback->setEnabled(true);
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    output->getVolumeRange(&minDb, &maxDb, &stepDb);
    // The sliders stop at the floor, whatever the endpoint can go down to.
    minDb = LevelScale::kOutputFloorDb;
    setSliderRange(ui->vol_slider_playback_left, minDb, maxDb, stepDb);
    setSliderRange(ui->vol_slider_playback_right, minDb, maxDb, stepDb);
    output->registerCallback(this);
}

void TarvixMixer::applyInputRange(TarvixMixerDevice* input)
{
    ui->gb_record->setEnabled(true);
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    input->getVolumeRange(&minDb, &maxDb, &stepDb);
    setSliderRange(ui->vol_slider_record_left, minDb, maxDb, stepDb);
    setSliderRange(ui->vol_slider_record_right, minDb, maxDb, stepDb);
    input->registerCallback(this);
}

// ---- Level controls ----

TarvixMixer::LevelChannel TarvixMixer::playbackChannel(bool left) const
{
    if (left)
        return {&TarvixDevice::output,
                ui->vol_slider_playback_left,
                ui->vol_label_playback_left,
                ui->vol_slider_playback_right,
                ui->cb_playback_link,
                &TarvixMixerDevice::setVolumeLeft,
                &TarvixMixerDevice::getVolumeLeft};
    return {&TarvixDevice::output,
            ui->vol_slider_playback_right,
            ui->vol_label_playback_right,
            ui->vol_slider_playback_left,
            ui->cb_playback_link,
            &TarvixMixerDevice::setVolumeRight,
            &TarvixMixerDevice::getVolumeRight};
}

TarvixMixer::LevelChannel TarvixMixer::recordChannel(bool left) const
{
    if (left)
        return {&TarvixDevice::input,
                ui->vol_slider_record_left,
                ui->vol_label_record_left,
                ui->vol_slider_record_right,
                ui->cb_record_link,
                &TarvixMixerDevice::setVolumeLeft,
                &TarvixMixerDevice::getVolumeLeft};
    return {&TarvixDevice::input,
            ui->vol_slider_record_right,
            ui->vol_label_record_right,
            ui->vol_slider_record_left,
            ui->cb_record_link,
            &TarvixMixerDevice::setVolumeRight,
            &TarvixMixerDevice::getVolumeRight};
}

void TarvixMixer::setPlaybackVolumeLeft(int a)
{
    setLevel(playbackChannel(true), a);
}

void TarvixMixer::setPlaybackVolumeRight(int a)
{
    setLevel(playbackChannel(false), a);
}

void TarvixMixer::setRecordVolumeLeft(int a)
{
    setLevel(recordChannel(true), a);
}

void TarvixMixer::setRecordVolumeRight(int a)
{
    setLevel(recordChannel(false), a);
}

void TarvixMixer::setLevel(const LevelChannel& channel, int position)
{
    LibraryLocker locker(control);
    TarvixMixerDevice* endpoint = currentDevice ? currentDevice->*channel.endpoint : nullptr;
    if (!endpoint)
        return;
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    if (!LevelScale::isUsableStep(stepDb))
        return;
    if (channel.endpoint == &TarvixDevice::output) {
        (endpoint->*channel.setVolume)(LevelScale::outputLevelForPosition(position, stepDb));
        // The output read-out shows what the device kept, which may differ from what was sent.
        channel.label->setText(LevelLabels::outputLevelText((endpoint->*channel.getVolume)()));
    } else {
        (endpoint->*channel.setVolume)(LevelScale::inputLevelForPosition(position, stepDb));
        channel.label->setText(LevelLabels::inputPositionText(position));
    }
    // Moving the partner runs its own slot at once, nested under this lock.
    if (channel.link->checkState() != Qt::Unchecked)
        channel.partner->setValue(position);
}

void TarvixMixer::setPlaybackMute(bool enable)
{
    setMute(&TarvixDevice::output, enable);
}

void TarvixMixer::setRecordMute(bool enable)
{
    setMute(&TarvixDevice::input, enable);
}

void TarvixMixer::setMute(TarvixMixerDevice* TarvixDevice::*endpoint, bool enable)
{
    LibraryLocker locker(control);
    TarvixMixerDevice* target = currentDevice ? currentDevice->*endpoint : nullptr;
    if (target)
        target->setMute(enable);
}

void TarvixMixer::VolumeChangedCallbackGUIHandle()
{
    LibraryLocker locker(control);
    // Nothing written here may reach a level or mute slot: a refresh never writes back.
    setLevelWidgetSignalsBlocked(true);
    if (currentDevice) {
        if (currentDevice->output)
            refreshPlayback(currentDevice->output);
        if (currentDevice->input)
            refreshRecord(currentDevice->input);
    }
    setLevelWidgetSignalsBlocked(false);
}

void TarvixMixer::setLevelWidgetSignalsBlocked(bool blocked)
{
    for (QObject* widget :
         {static_cast<QObject*>(ui->vol_slider_playback_left),
          static_cast<QObject*>(ui->vol_slider_playback_right),
          static_cast<QObject*>(ui->vol_slider_record_left),
          static_cast<QObject*>(ui->vol_slider_record_right),
          static_cast<QObject*>(ui->cb_playback_mute), static_cast<QObject*>(ui->cb_record_mute)})
        widget->blockSignals(blocked);
}

namespace {
Qt::CheckState checkStateOf(bool on)
{
    return on ? Qt::Checked : Qt::Unchecked;
}
} // namespace

void TarvixMixer::refreshPlayback(TarvixMixerDevice* output)
{
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    output->getVolumeRange(&minDb, &maxDb, &stepDb);
    for (bool left : {true, false}) {
        const LevelChannel channel = playbackChannel(left);
        const float level = (output->*channel.getVolume)();
        channel.label->setText(LevelLabels::outputRefreshText(level));
        if (LevelScale::isUsableStep(stepDb))
            channel.slider->setValue(LevelScale::positionForLevel(level, stepDb));
    }
    ui->cb_playback_mute->setCheckState(checkStateOf(output->getMute()));
}

void TarvixMixer::refreshRecord(TarvixMixerDevice* input)
{
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    input->getVolumeRange(&minDb, &maxDb, &stepDb);
    for (bool left : {true, false}) {
        const LevelChannel channel = recordChannel(left);
        const float level = (input->*channel.getVolume)();
        // Without a usable step there is no position to show; the channel stays as it is.
        if (LevelScale::isUsableStep(stepDb)) {
            channel.label->setText(LevelLabels::inputRefreshText(level, stepDb));
            channel.slider->setValue(LevelScale::positionForLevel(level, stepDb));
        }
    }
    ui->cb_record_mute->setCheckState(checkStateOf(input->getMute()));
}

// ---- HID switches and window options ----

void TarvixMixer::setPhantomLeft(bool enable)
{
    setHidSwitch(&TarvixHID::setPhantomLeft, enable);
}

void TarvixMixer::setPhantomRight(bool enable)
{
    setHidSwitch(&TarvixHID::setPhantomRight, enable);
}

void TarvixMixer::setLoopbackLeft(bool enable)
{
    setHidSwitch(&TarvixHID::setLoopbackLeft, enable);
}

void TarvixMixer::setLoopbackRight(bool enable)
{
    setHidSwitch(&TarvixHID::setLoopbackRight, enable);
}

void TarvixMixer::setHidSwitch(void (TarvixHID::*setter)(bool), bool enable)
{
    LibraryLocker locker(control);
    if (currentDevice && currentDevice->hid)
        (currentDevice->hid->*setter)(enable);
}

void TarvixMixer::update_hid_controls()
{
    LibraryLocker locker(control);
    // A switch change is reported from within poll(), nested under this lock.
    if (currentDevice && currentDevice->hid)
        currentDevice->hid->poll();
}

void TarvixMixer::onHIDChanged()
{
    LibraryLocker locker(control);
    if (!currentDevice || !currentDevice->hid)
        return;
    TarvixHID* hid = currentDevice->hid;
    QCheckBox* const boxes[] = {ui->cb_phantom_left, ui->cb_phantom_right, ui->cb_loopback_left,
                                ui->cb_loopback_right};
    for (QCheckBox* box : boxes)
        box->blockSignals(true);
    ui->cb_phantom_left->setChecked(hid->getPhantomLeft());
    ui->cb_phantom_right->setChecked(hid->getPhantomRight());
    ui->cb_loopback_left->setChecked(hid->getLoopbackLeft());
    ui->cb_loopback_right->setChecked(hid->getLoopbackRight());
    for (QCheckBox* box : boxes)
        box->blockSignals(false);
}

void TarvixMixer::setOnTop(bool enable)
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, enable);
    setWindowFlags(flags);
    // Changing the flags hides the window; bring it back with the new flag in force.
    show();
}

// ---- Presets ----

void TarvixMixer::StorePresetDialog()
{
    const QString fileName =
        fileDialogs->getSaveFileName(this, tr("Store preset"), QString::fromLatin1(presetFileName),
                                     tr("Tarvix preset file (*.tarvix)"));
    if (fileName.isEmpty())
        return;
    // Written aside and renamed over the old file only when complete, so a failed store never
    // leaves a truncated preset in place of the earlier one.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        showError(QStringLiteral("Failed to store presets: Failed to open file."));
        return;
    }
    bool stored = false;
    {
        LibraryLocker locker(control);
        writePreset(&file, currentDevice);
        // QSaveFile notices failed writes of its buffer only when they happen before commit().
        if (!file.flush() || file.error() != QFileDevice::NoError)
            file.cancelWriting();
        stored = file.commit();
    }
    if (!stored)
        showError(QStringLiteral("Failed to store presets: Failed to write file."));
}

void TarvixMixer::LoadPresetDialog()
{
    const QString fileName =
        fileDialogs->getOpenFileName(this, tr("Load preset"), QString::fromLatin1(presetFileName),
                                     tr("Tarvix preset file (*.tarvix)"));
    if (!fileName.isEmpty()) {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            showError(QStringLiteral("Failed to load presets: Failed to open file."));
            return;
        }
        bool failed = false;
        {
            LibraryLocker locker(control);
            failed = readPreset(&file, currentDevice);
        }
        if (failed)
            showError(QStringLiteral("Failed to load presets: Invalid file format."));
        file.close();
    }
    onHIDChanged();
    applyDevice();
}

void TarvixMixer::showError(const QString& message)
{
    // A new box each time: one box's "don't show again" never silences a later failure.
    auto* box = new QErrorMessage(this);
    box->setWindowTitle(QString::fromLatin1(errorTitle));
    box->showMessage(message);
}
