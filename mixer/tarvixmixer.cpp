// SPDX-License-Identifier: GPL-3.0-or-later
#include "tarvixmixer.h"

#include "checkboxaccessible.h"
#include "hidpolltimer.h"
#include "hidswitches.h"
#include "levelrow.h"
#include "librarylocker.h"
#include "presetcommands.h"
#include "slideractionguard.h"
#include "tarvixlibrary.h"
#include "ui_tarvixmixer.h"
#include "windowimages.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <future>
#include <utility>

namespace {
constexpr int hidPollIntervalMs = 500;

QString noSuchSwitchText()
{
    return TarvixMixer::tr("This interface has no such switch.");
}

QString noLevelText()
{
    return TarvixMixer::tr("This interface has no level here, only its mute switch.");
}

// Wayland leaves the stacking of windows to the compositor, and Qt offers no way to ask whether
// a platform honours the hint; changing the flag would only re-create the window elsewhere.
bool platformKeepsWindowsOnTop()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
} // namespace

TarvixMixer::TarvixMixer(TarvixControl* control, QWidget* parent)
    : QMainWindow(parent), control(control), ui(new Ui_TarvixMixer), currentDevice(nullptr)
{
    // The images live in a static library, where nothing else would pull in their registration.
    Q_INIT_RESOURCE(images);
    // Read while the form is built. The first image read also loads Qt's image plugins, a few
    // milliseconds that the style's first paint of a group box would otherwise wait for.
    std::future<WindowImages> images =
        std::async(std::launch::async, &WindowImages::read, devicePixelRatioF(),
                   palette().color(QPalette::Window));
    CheckBoxAccessible::install();
    ui->setupUi(this);
    showImages(images.get());
    createParts();
    qRegisterMetaType<CallbackType>("CallbackType");
    connectWidgets();
    addQuitShortcut();
    // Everything above must be in place before the library may report its first device.
    control->registerTarvixDeviceCallback(this);
    startHidPollTimer();
}

TarvixMixer::~TarvixMixer()
{
    detachFromLibrary();
    delete ui;
}

void TarvixMixer::createParts()
{
    using Direction = LevelRow::Direction;
    using Channel = LevelRow::Channel;
    playbackLeft = std::make_unique<LevelRow>(
        Direction::Output, Channel::Left, ui->vol_slider_playback_left, ui->vol_label_playback_left,
        ui->vol_slider_playback_right, ui->cb_playback_link);
    playbackRight = std::make_unique<LevelRow>(
        Direction::Output, Channel::Right, ui->vol_slider_playback_right,
        ui->vol_label_playback_right, ui->vol_slider_playback_left, ui->cb_playback_link);
    recordLeft = std::make_unique<LevelRow>(Direction::Input, Channel::Left,
                                            ui->vol_slider_record_left, ui->vol_label_record_left,
                                            ui->vol_slider_record_right, ui->cb_record_link);
    recordRight = std::make_unique<LevelRow>(
        Direction::Input, Channel::Right, ui->vol_slider_record_right, ui->vol_label_record_right,
        ui->vol_slider_record_left, ui->cb_record_link);
    presetCommands = std::make_unique<PresetCommands>(this, control, currentDevice);
    sliderActions = new SliderActionGuard(this);
    for (QSlider* slider : {ui->vol_slider_playback_left, ui->vol_slider_playback_right,
                            ui->vol_slider_record_left, ui->vol_slider_record_right})
        sliderActions->watch(slider);
}

void TarvixMixer::setPresetFileDialogs(PresetFileDialogs* dialogs)
{
    presetCommands->setFileDialogs(dialogs);
}

void TarvixMixer::detachFromLibrary()
{
    if (!attachedToLibrary)
        return;
    attachedToLibrary = false;
    // Outside the lock, as at construction: a library may report from within the registration
    // on a thread of its own, which takes the lock.
    control->registerTarvixDeviceCallback(nullptr);
    LibraryLocker locker(control);
    if (currentDevice)
        withdrawListeners(currentDevice);
    currentDevice = nullptr;
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
    if (!platformKeepsWindowsOnTop()) {
        ui->checkBox->setEnabled(false);
        ui->checkBox->setToolTip(
            tr("Wayland does not let a program keep its window above the others. To have this, "
               "start TarvixMixer with QT_QPA_PLATFORM=xcb (through XWayland)."));
    }
}

// Ctrl+Q closes the window and the panels beside it, which ends the program; the platform's own
// key for quitting as well where it has another.
void TarvixMixer::addQuitShortcut()
{
    auto* quit = new QAction(tr("Quit"), this);
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Quit);
    const QKeySequence controlQ(Qt::CTRL | Qt::Key_Q);
    if (!keys.contains(controlQ))
        keys.append(controlQ);
    quit->setShortcuts(keys);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, [] { QApplication::closeAllWindows(); });
    addAction(quit);
}

void TarvixMixer::startHidPollTimer()
{
    // Not part of the window's object tree; it goes with the window all the same.
    hidPollTimer =
        std::make_unique<HidPollTimer>(this, hidPollIntervalMs, [this] { update_hid_controls(); });
}

// Pixmaps belong to the GUI thread: the images read elsewhere become pixmaps here.
void TarvixMixer::showImages(const WindowImages& images)
{
    ui->label->setPixmap(QPixmap::fromImage(images.logo));
    ui->LoadButton->setIcon(QPixmap::fromImage(images.loadIcon));
    ui->StoreButton->setIcon(QPixmap::fromImage(images.storeIcon));
    imagesShown = true;
}

// A desktop switching between light and dark changes the palette of a running program.
void TarvixMixer::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange && imagesShown)
        ui->label->setPixmap(QPixmap::fromImage(
            WindowImages::readLogo(devicePixelRatioF(), palette().color(QPalette::Window))));
    QMainWindow::changeEvent(event);
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
        TarvixDevice* const previous = currentDevice;
        if (currentDevice)
            withdrawListeners(currentDevice);
        currentDevice = control->getDevice(id.constData());
        // What the user is doing to a slider belongs to the device it began on.
        if (currentDevice != previous)
            sliderActions->dropActions();
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
            applySwitches(currentDevice->hid);
            if (hasHid)
                currentDevice->hid->registerChangedCallback(this);
            ui->StoreButton->setEnabled(hasHid);
            ui->LoadButton->setEnabled(hasHid);

            applyEndpoint(currentDevice->output, ui->gb_playback, *playbackLeft, *playbackRight,
                          ui->cb_playback_mute);
            applyEndpoint(currentDevice->input, ui->gb_record, *recordLeft, *recordRight,
                          ui->cb_record_mute);
        }
    }
    onVolumeChanged(0);
    if (!pendingPresetFile.isEmpty() && ui->LoadButton->isEnabled())
        queuePendingPresetFile();
}

// Enables the endpoint's group, and its mute box when it has a mute, sets its sliders' ranges
// and registers the window with it; a missing endpoint disables its group. An endpoint without
// levels keeps its sliders and link box disabled.
void TarvixMixer::applyEndpoint(TarvixMixerDevice* endpoint, QGroupBox* group, LevelRow& left,
                                LevelRow& right, QCheckBox* mute)
{
    group->setEnabled(endpoint != nullptr);
    const bool hasLevels = !endpoint || endpoint->hasLevels();
    left.setHasLevels(hasLevels, noLevelText());
    right.setHasLevels(hasLevels, noLevelText());
    if (!endpoint)
        return;
    const bool hasMute = endpoint->hasMute();
    mute->setEnabled(hasMute);
    mute->setToolTip(hasMute ? QString() : noSuchSwitchText());
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    const bool inDb = endpoint->levelsAreInDb();
    left.setRange(minDb, maxDb, stepDb, inDb);
    right.setRange(minDb, maxDb, stepDb, inDb);
    endpoint->registerCallback(this);
}

// ---- Level controls ----

void TarvixMixer::setPlaybackVolumeLeft(int a)
{
    LibraryLocker locker(control);
    playbackLeft->setLevel(currentDevice, a);
}

void TarvixMixer::setPlaybackVolumeRight(int a)
{
    LibraryLocker locker(control);
    playbackRight->setLevel(currentDevice, a);
}

void TarvixMixer::setRecordVolumeLeft(int a)
{
    LibraryLocker locker(control);
    recordLeft->setLevel(currentDevice, a);
}

void TarvixMixer::setRecordVolumeRight(int a)
{
    LibraryLocker locker(control);
    recordRight->setLevel(currentDevice, a);
}

void TarvixMixer::setPlaybackMute(bool enable)
{
    LibraryLocker locker(control);
    if (currentDevice)
        writeMute(currentDevice->output, enable, ui->cb_playback_mute);
}

void TarvixMixer::setRecordMute(bool enable)
{
    LibraryLocker locker(control);
    if (currentDevice)
        writeMute(currentDevice->input, enable, ui->cb_record_mute);
}

// The box then shows what the device holds, which is not what was asked if it refused.
void TarvixMixer::writeMute(TarvixMixerDevice* endpoint, bool mute, QCheckBox* box)
{
    if (!endpoint)
        return;
    endpoint->setMute(mute);
    box->setChecked(endpoint->getMute());
}

void TarvixMixer::VolumeChangedCallbackGUIHandle()
{
    LibraryLocker locker(control);
    // Nothing written here may reach a level or mute slot: a refresh never writes back.
    setLevelWidgetSignalsBlocked(true);
    if (currentDevice) {
        showEndpoint(currentDevice->output, *playbackLeft, *playbackRight, ui->cb_playback_mute);
        showEndpoint(currentDevice->input, *recordLeft, *recordRight, ui->cb_record_mute);
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

// Writes an endpoint's levels and mute into its widgets; a missing endpoint leaves them as
// they are.
void TarvixMixer::showEndpoint(TarvixMixerDevice* endpoint, LevelRow& left, LevelRow& right,
                               QCheckBox* mute)
{
    if (!endpoint)
        return;
    mute->setCheckState(endpoint->getMute() ? Qt::Checked : Qt::Unchecked);
    if (!endpoint->hasLevels())
        return;
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    left.showLevel(endpoint, stepDb);
    right.showLevel(endpoint, stepDb);
    const bool writable = endpoint->levelsAreWritable();
    left.setWritable(writable);
    right.setWritable(writable);
}

// ---- HID switches and window options ----

void TarvixMixer::setPhantomLeft(bool enable)
{
    setSwitchClicked(TarvixHID::Switch::PhantomLeft, enable);
}

void TarvixMixer::setPhantomRight(bool enable)
{
    setSwitchClicked(TarvixHID::Switch::PhantomRight, enable);
}

void TarvixMixer::setLoopbackLeft(bool enable)
{
    setSwitchClicked(TarvixHID::Switch::LoopbackLeft, enable);
}

void TarvixMixer::setLoopbackRight(bool enable)
{
    setSwitchClicked(TarvixHID::Switch::LoopbackRight, enable);
}

void TarvixMixer::setSwitchClicked(TarvixHID::Switch which, bool enable)
{
    LibraryLocker locker(control);
    if (currentDevice && currentDevice->hid)
        setSwitch(*currentDevice->hid, which, enable);
    onHIDChanged(); // the boxes show what the device took
}

void TarvixMixer::update_hid_controls()
{
    LibraryLocker locker(control);
    // A switch change is reported from within poll(), nested under this lock. The boxes are then
    // compared with the device as well: one may show what the device did not take.
    if (currentDevice && currentDevice->hid) {
        currentDevice->hid->poll();
        onHIDChanged();
    }
}

// A box for a switch the device lacks is disabled and says why; a device without switches shows
// none ticked.
void TarvixMixer::applySwitches(TarvixHID* hid)
{
    for (const TarvixHID::Switch which : allSwitches) {
        QCheckBox* box = switchBox(which);
        const bool present = hid && hid->hasSwitch(which);
        box->setEnabled(present);
        box->setToolTip(present ? QString() : noSuchSwitchText());
        if (!hid)
            box->setChecked(false); // reaches no slot: the boxes' slots follow clicked() only
    }
}

void TarvixMixer::onHIDChanged()
{
    LibraryLocker locker(control);
    if (!currentDevice || !currentDevice->hid)
        return;
    TarvixHID* hid = currentDevice->hid;
    for (const TarvixHID::Switch which : allSwitches)
        switchBox(which)->blockSignals(true);
    for (const TarvixHID::Switch which : allSwitches)
        switchBox(which)->setChecked(getSwitch(*hid, which));
    for (const TarvixHID::Switch which : allSwitches)
        switchBox(which)->blockSignals(false);
}

QCheckBox* TarvixMixer::switchBox(TarvixHID::Switch which) const
{
    QCheckBox* const boxes[] = {ui->cb_phantom_left, ui->cb_phantom_right, ui->cb_loopback_left,
                                ui->cb_loopback_right};
    return boxes[switchIndex(which)];
}

void TarvixMixer::setOnTop(bool enable)
{
    if (!platformKeepsWindowsOnTop())
        return;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, enable);
    setWindowFlags(flags);
    // Changing the flags hides the window; bring it back with the new flag in force.
    show();
}

// ---- Presets ----

void TarvixMixer::StorePresetDialog()
{
    presetCommands->store(selectedDeviceId());
}

void TarvixMixer::LoadPresetDialog()
{
    if (presetCommands->load(selectedDeviceId()))
        showDeviceAfterLoad();
}

void TarvixMixer::loadPresetFileWhenReady(const QString& fileName)
{
    pendingPresetFile = fileName;
    if (ui->LoadButton->isEnabled())
        queuePendingPresetFile();
}

// Not inside the selection or start-up that leads here: once the event loop is back.
void TarvixMixer::queuePendingPresetFile()
{
    QMetaObject::invokeMethod(
        this, [this] { loadPendingPresetFile(); }, Qt::QueuedConnection);
}

void TarvixMixer::loadPendingPresetFile()
{
    // The selection may have moved on to a device without switches since this was queued.
    if (pendingPresetFile.isEmpty() || !ui->LoadButton->isEnabled())
        return;
    const QString fileName = std::exchange(pendingPresetFile, QString());
    if (presetCommands->loadFile(selectedDeviceId(), fileName))
        showDeviceAfterLoad();
}

// The device's new state into the window: the switches, then the whole device again.
void TarvixMixer::showDeviceAfterLoad()
{
    onHIDChanged();
    applyDevice();
}

// The device the user sees selected; a command for it must not reach another device.
QString TarvixMixer::selectedDeviceId() const
{
    return ui->combo_device_select->currentData(Qt::UserRole).toString();
}
