// Checks the widget tree that Ui_TarvixMixer builds into a main window: members and their order,
// parents and layout positions, layout metrics, size policies, properties, texts, initial states
// and the three embedded images.

#include "ui_tarvixmixer.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <type_traits>

namespace {

const char* const folderPath = ":/Images/Images/folder_16x16.png";
const char* const floppyPath = ":/Images/Images/floppy_16x16.png";
const char* const logoPath = ":/Images/Images/Tarvix.png";

// One pointer member of the form and where it belongs. parent: "window", "layout of <widget>",
// "nested" (a layout added to another layout) or "" (spacer). placedIn: the receiving layout,
// "central widget" or "status bar"; position counts from 1.
struct Member
{
    QString name;
    const void* address;
    QObject* object;
    QSpacerItem* spacer;
    QString className;
    QString parent;
    QString placedIn;
    int position;
};

template <typename T>
Member member(const char* name, T* const& field, const char* className, const char* parent,
              const char* placedIn, int position)
{
    if constexpr (std::is_same_v<T, QSpacerItem>)
        return {name, &field, nullptr, field, className, parent, placedIn, position};
    else
        return {name, &field, field, nullptr, className, parent, placedIn, position};
}

#define MEMBER(m, ...) member(#m, form.m, __VA_ARGS__)

// The form's members in the order the window declares and creates them.
QList<Member> formMembers(Ui::TarvixMixer& form)
{
    return {
        MEMBER(centralWidget, "QWidget", "window", "central widget", 0),
        MEMBER(horizontalLayout_2, "QHBoxLayout", "layout of centralWidget", "", 0),
        MEMBER(verticalLayout, "QVBoxLayout", "nested", "horizontalLayout_2", 1),
        MEMBER(gb_hid_control, "QGroupBox", "centralWidget", "verticalLayout", 1),
        MEMBER(verticalLayout_7, "QVBoxLayout", "layout of gb_hid_control", "", 0),
        MEMBER(cb_phantom_left, "QCheckBox", "gb_hid_control", "verticalLayout_7", 1),
        MEMBER(cb_phantom_right, "QCheckBox", "gb_hid_control", "verticalLayout_7", 2),
        MEMBER(cb_loopback_left, "QCheckBox", "gb_hid_control", "verticalLayout_7", 3),
        MEMBER(cb_loopback_right, "QCheckBox", "gb_hid_control", "verticalLayout_7", 4),
        MEMBER(verticalSpacer, "QSpacerItem", "", "verticalLayout_7", 5),
        MEMBER(groupBox_3, "QGroupBox", "centralWidget", "verticalLayout", 2),
        MEMBER(verticalLayout_3, "QVBoxLayout", "layout of groupBox_3", "", 0),
        MEMBER(label, "QLabel", "groupBox_3", "verticalLayout_3", 1),
        MEMBER(verticalSpacer_2, "QSpacerItem", "", "verticalLayout_3", 2),
        MEMBER(checkBox, "QCheckBox", "groupBox_3", "verticalLayout_3", 3),
        MEMBER(frame_2, "QFrame", "centralWidget", "horizontalLayout_2", 2),
        MEMBER(verticalLayout_2, "QVBoxLayout", "layout of frame_2", "", 0),
        MEMBER(horizontalLayout_9, "QHBoxLayout", "nested", "verticalLayout_2", 1),
        MEMBER(combo_device_select, "QComboBox", "frame_2", "horizontalLayout_9", 1),
        MEMBER(LoadButton, "QPushButton", "frame_2", "horizontalLayout_9", 2),
        MEMBER(StoreButton, "QPushButton", "frame_2", "horizontalLayout_9", 3),
        MEMBER(horizontalSpacer, "QSpacerItem", "", "verticalLayout_2", 2),
        MEMBER(horizontalLayout, "QHBoxLayout", "nested", "verticalLayout_2", 3),
        MEMBER(gb_playback, "QGroupBox", "frame_2", "horizontalLayout", 1),
        MEMBER(verticalLayout_4, "QVBoxLayout", "layout of gb_playback", "", 0),
        MEMBER(horizontalLayout_3, "QHBoxLayout", "nested", "verticalLayout_4", 1),
        MEMBER(verticalLayout_6, "QVBoxLayout", "nested", "horizontalLayout_3", 1),
        MEMBER(horizontalLayout_6, "QHBoxLayout", "nested", "verticalLayout_6", 1),
        MEMBER(horizontalSpacer_2, "QSpacerItem", "", "horizontalLayout_6", 1),
        MEMBER(vol_slider_playback_left, "QSlider", "gb_playback", "horizontalLayout_6", 2),
        MEMBER(horizontalSpacer_3, "QSpacerItem", "", "horizontalLayout_6", 3),
        MEMBER(vol_label_playback_left, "QLabel", "gb_playback", "verticalLayout_6", 2),
        MEMBER(verticalLayout_8, "QVBoxLayout", "nested", "horizontalLayout_3", 2),
        MEMBER(horizontalLayout_5, "QHBoxLayout", "nested", "verticalLayout_8", 1),
        MEMBER(horizontalSpacer_4, "QSpacerItem", "", "horizontalLayout_5", 1),
        MEMBER(vol_slider_playback_right, "QSlider", "gb_playback", "horizontalLayout_5", 2),
        MEMBER(horizontalSpacer_5, "QSpacerItem", "", "horizontalLayout_5", 3),
        MEMBER(vol_label_playback_right, "QLabel", "gb_playback", "verticalLayout_8", 2),
        MEMBER(cb_playback_link, "QCheckBox", "gb_playback", "verticalLayout_4", 2),
        MEMBER(cb_playback_mute, "QCheckBox", "gb_playback", "verticalLayout_4", 3),
        MEMBER(gb_record, "QGroupBox", "frame_2", "horizontalLayout", 2),
        MEMBER(verticalLayout_5, "QVBoxLayout", "layout of gb_record", "", 0),
        MEMBER(horizontalLayout_4, "QHBoxLayout", "nested", "verticalLayout_5", 1),
        MEMBER(verticalLayout_10, "QVBoxLayout", "nested", "horizontalLayout_4", 1),
        MEMBER(horizontalLayout_7, "QHBoxLayout", "nested", "verticalLayout_10", 1),
        MEMBER(horizontalSpacer_6, "QSpacerItem", "", "horizontalLayout_7", 1),
        MEMBER(vol_slider_record_left, "QSlider", "gb_record", "horizontalLayout_7", 2),
        MEMBER(horizontalSpacer_7, "QSpacerItem", "", "horizontalLayout_7", 3),
        MEMBER(vol_label_record_left, "QLabel", "gb_record", "verticalLayout_10", 2),
        MEMBER(verticalLayout_9, "QVBoxLayout", "nested", "horizontalLayout_4", 2),
        MEMBER(horizontalLayout_8, "QHBoxLayout", "nested", "verticalLayout_9", 1),
        MEMBER(horizontalSpacer_8, "QSpacerItem", "", "horizontalLayout_8", 1),
        MEMBER(vol_slider_record_right, "QSlider", "gb_record", "horizontalLayout_8", 2),
        MEMBER(horizontalSpacer_9, "QSpacerItem", "", "horizontalLayout_8", 3),
        MEMBER(vol_label_record_right, "QLabel", "gb_record", "verticalLayout_9", 2),
        MEMBER(cb_record_link, "QCheckBox", "gb_record", "verticalLayout_5", 2),
        MEMBER(cb_record_mute, "QCheckBox", "gb_record", "verticalLayout_5", 3),
        MEMBER(statusBar, "QStatusBar", "window", "status bar", 0),
    };
}

#undef MEMBER

// The texts in the order the form sets them, followed by the two that it leaves empty.
struct TextRow
{
    const char* name;
    const char* property;
    const char* text;
};

const TextRow texts[] = {
    {"window", "windowTitle", "TarvixMixer"},
    {"gb_hid_control", "title", "HID controls"},
    {"cb_phantom_left", "text", "Phantom Left"},
    {"cb_phantom_right", "text", "Phantom Right"},
    {"cb_loopback_left", "text", "Loopback  Left"},
    {"cb_loopback_right", "text", "Loopback Right"},
    {"checkBox", "text", "Always on top"},
    {"LoadButton", "toolTip", "Load state from preset file"},
    {"LoadButton", "text", ""},
    {"StoreButton", "toolTip", "Store current state in preset file"},
    {"StoreButton", "text", ""},
    {"gb_playback", "title", "Output Gain"},
    {"vol_label_playback_left", "text", ""},
    {"vol_label_playback_right", "text", ""},
    {"cb_playback_link", "text", "Link"},
    {"cb_playback_mute", "text", "Mute"},
    {"gb_record", "title", "Input Gain"},
    {"vol_label_record_left", "text", ""},
    {"vol_label_record_right", "text", ""},
    {"cb_record_link", "text", "Link"},
    {"cb_record_mute", "text", "Mute"},
    {"groupBox_3", "title", ""},
    {"label", "text", ""},
};

// Records every text passed to translation as "context::text" and returns it as "<text>".
class RecordingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int /*n*/) const override
    {
        calls.append(QString::fromUtf8(context) + QLatin1String("::") +
                     QString::fromUtf8(sourceText) + (disambiguation ? " (comment)" : ""));
        return QLatin1Char('<') + QString::fromUtf8(sourceText) + QLatin1Char('>');
    }
    bool isEmpty() const override { return false; }

    mutable QStringList calls;
};

QVariant textOf(QMainWindow& window, const TextRow& row)
{
    QObject* const target = qstrcmp(row.name, "window") == 0
                                ? &window
                                : window.findChild<QObject*>(QString::fromLatin1(row.name));
    return target ? target->property(row.property) : QVariant();
}

// Size policy fields the form controls; the control type is Qt's business.
QString describe(const QSizePolicy& policy)
{
    return QString::asprintf("%d/%d stretch %d/%d hfw %d", policy.horizontalPolicy(),
                             policy.verticalPolicy(), policy.horizontalStretch(),
                             policy.verticalStretch(), policy.hasHeightForWidth());
}

} // namespace

class TestMixerForm : public QObject
{
    Q_OBJECT

public:
    explicit TestMixerForm(bool imagesRegisteredBeforeApplication)
        : registeredBeforeApplication(imagesRegisteredBeforeApplication)
    {
    }

private slots:
    void init();

    void window();
    void membersAreDeclaredInOrder();
    void placement_data();
    void placement();
    void widgetsAreCreatedInOrder();
    void layouts();
    void spacers();
    void sizePolicies();
    void widgetProperties();
    void textsAndTranslation();
    void initialStates();
    void images_data();
    void images();

private:
    QObject* object(const QString& name) const;

    const bool registeredBeforeApplication;
    std::unique_ptr<QMainWindow> mainWindow;
    std::unique_ptr<Ui::TarvixMixer> form;
    QList<Member> members;
};

void TestMixerForm::init()
{
    mainWindow = std::make_unique<QMainWindow>();
    form = std::make_unique<Ui::TarvixMixer>();
    form->setupUi(mainWindow.get());
    members = formMembers(*form);
}

QObject* TestMixerForm::object(const QString& name) const
{
    if (name == QLatin1String("window"))
        return mainWindow.get();
    for (const Member& m : members) {
        if (m.name == name)
            return m.object;
    }
    return nullptr;
}

// A name the window already has stays; 417 x 362, Fixed/Fixed; no menu, tool or size grip.
void TestMixerForm::window()
{
    for (const QString& preset : {QString(), QStringLiteral("mainWindow")}) {
        QMainWindow named;
        named.setObjectName(preset);
        Ui::TarvixMixer namedForm;
        namedForm.setupUi(&named);
        QCOMPARE(named.objectName(), preset.isEmpty() ? QStringLiteral("TarvixMixer") : preset);
    }
    QCOMPARE(mainWindow->size(), QSize(417, 362));
    QCOMPARE(describe(mainWindow->sizePolicy()),
             describe(QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed)));
    QVERIFY(!mainWindow->findChild<QMenuBar*>());
    QVERIFY(!mainWindow->findChild<QToolBar*>());
    QVERIFY(!form->statusBar->isSizeGripEnabled());
    QVERIFY(!form->statusBar->findChild<QSizeGrip*>());
    QVERIFY(form->statusBar->currentMessage().isEmpty());
}

void TestMixerForm::membersAreDeclaredInOrder()
{
    // Nothing beyond the listed pointers: no hidden extra widget, layout or spacer.
    QCOMPARE(sizeof(Ui::TarvixMixer), size_t(members.size()) * sizeof(void*));
    for (int i = 1; i < members.size(); ++i) {
        QVERIFY2(static_cast<const char*>(members.at(i - 1).address) <
                     static_cast<const char*>(members.at(i).address),
                 qPrintable(members.at(i).name + QLatin1String(" is declared too early")));
    }
}

void TestMixerForm::placement_data()
{
    QTest::addColumn<int>("index");
    QMainWindow scratchWindow;
    Ui::TarvixMixer scratchForm;
    scratchForm.setupUi(&scratchWindow);
    const QList<Member> list = formMembers(scratchForm);
    for (int i = 0; i < list.size(); ++i)
        QTest::newRow(qPrintable(list.at(i).name)) << i;
}

// Class, object name, Qt parent and slot in the receiving layout of one member.
void TestMixerForm::placement()
{
    QFETCH(int, index);
    const Member& m = members.at(index);
    auto* const widget = qobject_cast<QWidget*>(m.object);
    auto* const layout = qobject_cast<QLayout*>(m.object);
    if (m.className == QLatin1String("QSpacerItem")) {
        QVERIFY(m.spacer);
    } else {
        QVERIFY(m.object);
        QCOMPARE(QString::fromLatin1(m.object->metaObject()->className()), m.className);
        QCOMPARE(m.object->objectName(), m.name);
    }

    if (widget) {
        QCOMPARE(widget->parentWidget(), object(m.parent));
    } else if (layout && m.parent.startsWith(QLatin1String("layout of "))) {
        auto* const owner = qobject_cast<QWidget*>(object(m.parent.mid(10)));
        QVERIFY(owner);
        QCOMPARE(owner->layout(), layout);
    } else if (layout) {
        QCOMPARE(m.parent, QStringLiteral("nested"));
        QCOMPARE(layout->parent(), object(m.placedIn));
    }

    if (m.placedIn == QLatin1String("central widget")) {
        QCOMPARE(mainWindow->centralWidget(), widget);
    } else if (m.placedIn == QLatin1String("status bar")) {
        QCOMPARE(mainWindow->statusBar(), widget);
    } else if (m.position > 0) {
        auto* const box = qobject_cast<QBoxLayout*>(object(m.placedIn));
        QVERIFY(box && m.position <= box->count());
        QLayoutItem* const slot = box->itemAt(m.position - 1);
        QCOMPARE(slot->spacerItem(), m.spacer);
        QCOMPARE(slot->widget(), widget);
        QCOMPARE(slot->layout(), layout);
    }
}

// Widgets are created in member order, which is also the window's default tab order.
void TestMixerForm::widgetsAreCreatedInOrder()
{
    QStringList expected;
    for (const Member& m : members) {
        if (qobject_cast<QWidget*>(m.object))
            expected.append(m.name);
    }
    QStringList created;
    for (QWidget* w = mainWindow->nextInFocusChain(); w != mainWindow.get();
         w = w->nextInFocusChain()) {
        if (object(w->objectName()) == w)
            created.append(w->objectName());
    }
    QCOMPARE(created, expected);
}

// Each layout holds only its listed items, without stretch or alignment. The central and the
// group layouts have 11-pixel margins, nested ones none; the right column has spacing 0.
void TestMixerForm::layouts()
{
    const QStringList withMargins = {"horizontalLayout_2", "verticalLayout_7", "verticalLayout_3",
                                     "verticalLayout_4", "verticalLayout_5"};
    QHash<QString, int> itemCounts;
    for (const Member& m : members) {
        if (m.position > 0)
            ++itemCounts[m.placedIn];
    }
    int layoutCount = 0;
    for (const Member& m : members) {
        auto* const box = qobject_cast<QBoxLayout*>(m.object);
        if (!box)
            continue;
        ++layoutCount;
        const QByteArray name = m.name.toLatin1();
        const int margin = withMargins.contains(m.name) ? 11 : 0;
        QVERIFY2(box->spacing() == (m.name == QLatin1String("verticalLayout_2") ? 0 : 6), name);
        QVERIFY2(box->contentsMargins() == QMargins(margin, margin, margin, margin), name);
        QVERIFY2(box->count() == itemCounts.value(m.name), name);
        for (int i = 0; i < box->count(); ++i)
            QVERIFY2(box->stretch(i) == 0 && box->itemAt(i)->alignment() == Qt::Alignment(), name);
    }
    QCOMPARE(layoutCount, 19);
}

// Every spacer not listed here is one of the eight that centre a slider over its dB label.
void TestMixerForm::spacers()
{
    using P = QSizePolicy;
    const auto shape = [](QSize hint, QSizePolicy policy) {
        return QString::asprintf("%dx%d ", hint.width(), hint.height()) + describe(policy);
    };
    const QHash<QString, QString> shapes = {
        {"verticalSpacer", shape({20, 40}, {P::Minimum, P::Minimum})},
        {"verticalSpacer_2", shape({20, 40}, {P::Minimum, P::Expanding})},
        // The only gap between the device row and the gain groups.
        {"horizontalSpacer", shape({272, 6}, {P::Expanding, P::Minimum})},
    };
    const QString sliderSpacer = shape({0, 20}, {P::Expanding, P::Minimum});
    int spacerCount = 0;
    for (const Member& m : members) {
        if (!m.spacer)
            continue;
        ++spacerCount;
        QCOMPARE(m.name + QLatin1Char(' ') + shape(m.spacer->sizeHint(), m.spacer->sizePolicy()),
                 m.name + QLatin1Char(' ') + shapes.value(m.name, sliderSpacer));
    }
    QCOMPARE(spacerCount, 11);
}

// The form's own policies keep the class's height-for-width flag; other widgets keep Qt's default.
void TestMixerForm::sizePolicies()
{
    using P = QSizePolicy;
    QHash<QString, std::pair<P::Policy, P::Policy>> set = {
        {"centralWidget", {P::Minimum, P::Minimum}},
        {"combo_device_select", {P::MinimumExpanding, P::Minimum}},
        {"LoadButton", {P::Minimum, P::Minimum}},
        {"StoreButton", {P::Minimum, P::Minimum}},
    };
    for (const char* side : {"playback_left", "playback_right", "record_left", "record_right"}) {
        set.insert(QLatin1String("vol_slider_") + side, {P::Fixed, P::Expanding});
        set.insert(QLatin1String("vol_label_") + side, {P::Expanding, P::Preferred});
    }
    const QHash<QString, QSizePolicy> defaults = {
        {"QWidget", QWidget().sizePolicy()},         {"QGroupBox", QGroupBox().sizePolicy()},
        {"QCheckBox", QCheckBox().sizePolicy()},     {"QLabel", QLabel().sizePolicy()},
        {"QFrame", QFrame().sizePolicy()},           {"QComboBox", QComboBox().sizePolicy()},
        {"QPushButton", QPushButton().sizePolicy()}, {"QSlider", QSlider().sizePolicy()},
        {"QStatusBar", QStatusBar().sizePolicy()},
    };
    for (const Member& m : members) {
        auto* const widget = qobject_cast<QWidget*>(m.object);
        if (!widget)
            continue;
        QVERIFY2(defaults.contains(m.className), qPrintable(m.className));
        QSizePolicy expected = defaults.value(m.className);
        if (set.contains(m.name)) {
            expected.setHorizontalPolicy(set.value(m.name).first);
            expected.setVerticalPolicy(set.value(m.name).second);
        }
        QCOMPARE(m.name + QLatin1Char(' ') + describe(widget->sizePolicy()),
                 m.name + QLatin1Char(' ') + describe(expected));
    }
}

// Sliders, dB labels, frame, logo and button icons as the form sets them.
void TestMixerForm::widgetProperties()
{
    for (QSlider* slider : {form->vol_slider_playback_left, form->vol_slider_playback_right,
                            form->vol_slider_record_left, form->vol_slider_record_right}) {
        QCOMPARE(slider->orientation(), Qt::Vertical);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 1000);
        QCOMPARE(slider->singleStep(), 1);
        QCOMPARE(slider->pageStep(), 10);
        QCOMPARE(slider->tickPosition(), QSlider::TicksRight);
        QCOMPARE(slider->tickInterval(), 1);
        QCOMPARE(slider->value(), 0);
    }
    for (QLabel* label : {form->vol_label_playback_left, form->vol_label_playback_right,
                          form->vol_label_record_left, form->vol_label_record_right}) {
        QCOMPARE(label->alignment(), Qt::AlignCenter);
    }
    QCOMPARE(form->frame_2->frameShape(), QFrame::NoFrame);
    QCOMPARE(form->frame_2->frameShadow(), QFrame::Raised);

    const auto argb = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    QVERIFY(form->label->hasScaledContents());
    QCOMPARE(form->label->pixmap().size(), QSize(122, 91));
    QCOMPARE(argb(form->label->pixmap().toImage()), argb(QImage(QString::fromLatin1(logoPath))));
    const std::pair<QPushButton*, const char*> buttons[] = {{form->LoadButton, folderPath},
                                                            {form->StoreButton, floppyPath}};
    for (const auto& [button, path] : buttons) {
        const QIcon icon = button->icon();
        QCOMPARE(icon.availableSizes(QIcon::Normal, QIcon::Off), QList<QSize>{QSize(16, 16)});
        QCOMPARE(argb(icon.pixmap(QSize(16, 16), 1.0).toImage()),
                 argb(QImage(QString::fromLatin1(path))));
    }
}

// Exact texts; the non-empty ones go, in order, through translation in context "TarvixMixer",
// the empty ones are set untranslated. Only the two buttons carry tool tips.
void TestMixerForm::textsAndTranslation()
{
    RecordingTranslator translator;
    QVERIFY(qApp->installTranslator(&translator));
    translator.calls.clear(); // installing makes Qt look up its own texts
    QMainWindow translatedWindow;
    Ui::TarvixMixer translatedForm;
    translatedForm.setupUi(&translatedWindow);
    qApp->removeTranslator(&translator);

    QStringList expectedCalls;
    for (const TextRow& row : texts) {
        const QString text = QString::fromLatin1(row.text);
        const QVariant plain = textOf(*mainWindow, row);
        QVERIFY2(plain.isValid(), row.name);
        QCOMPARE(plain.toString(), text);
        QCOMPARE(textOf(translatedWindow, row).toString(),
                 text.isEmpty() ? text : QLatin1Char('<') + text + QLatin1Char('>'));
        if (!text.isEmpty())
            expectedCalls.append(QLatin1String("TarvixMixer::") + text);
    }
    QCOMPARE(translator.calls, expectedCalls);

    for (QWidget* widget : mainWindow->findChildren<QWidget*>()) {
        if (widget != form->LoadButton && widget != form->StoreButton)
            QVERIFY2(widget->toolTip().isEmpty(), qPrintable(widget->objectName()));
    }
}

// Before a device is chosen the device groups and both buttons are disabled; only the two Link
// boxes are checked; the device list is empty.
void TestMixerForm::initialStates()
{
    const QStringList disabled = {"gb_hid_control", "LoadButton", "StoreButton", "gb_playback",
                                  "gb_record"};
    const QStringList enabled = {"centralWidget", "groupBox_3",          "label",    "checkBox",
                                 "frame_2",       "combo_device_select", "statusBar"};
    const QStringList checked = {"cb_playback_link", "cb_record_link"};
    for (const Member& m : members) {
        auto* const widget = qobject_cast<QWidget*>(m.object);
        if (!widget)
            continue;
        const QByteArray name = m.name.toLatin1();
        QVERIFY2(widget->testAttribute(Qt::WA_ForceDisabled) == disabled.contains(m.name), name);
        QVERIFY2(widget->isEnabled() == enabled.contains(m.name), name);
        if (auto* const button = qobject_cast<QAbstractButton*>(widget)) {
            QVERIFY2(button->isChecked() == checked.contains(m.name), name);
            QVERIFY2(button->isCheckable() == bool(qobject_cast<QCheckBox*>(widget)), name);
        }
        if (auto* const group = qobject_cast<QGroupBox*>(widget))
            QVERIFY2(!group->isCheckable(), name);
    }
    QCOMPARE(form->combo_device_select->count(), 0);
}

void TestMixerForm::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("folder") << QString::fromLatin1(folderPath) << QSize(16, 16);
    QTest::newRow("floppy") << QString::fromLatin1(floppyPath) << QSize(16, 16);
    QTest::newRow("logo") << QString::fromLatin1(logoPath) << QSize(122, 91);
}

// Registered before the application object exists, stored uncompressed, PNG 8-bit RGBA.
void TestMixerForm::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QVERIFY(registeredBeforeApplication);

    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
    const QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
    // PNG signature, then the IHDR chunk: width, height, bit depth 8, colour type 6 (RGBA).
    QVERIFY(data.size() > 33 && data.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(data.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(qFromBigEndian<quint32>(data.constData() + 16), quint32(size.width()));
    QCOMPARE(qFromBigEndian<quint32>(data.constData() + 20), quint32(size.height()));
    QCOMPARE(int(quint8(data.at(24))), 8);
    QCOMPARE(int(quint8(data.at(25))), 6);

    const QImage image(path);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), QImage::Format_ARGB32);
}

int main(int argc, char* argv[])
{
    // The images are registered while the program is loaded, before any Qt application object.
    const bool registered = QFile::exists(QString::fromLatin1(logoPath));
    QApplication app(argc, argv);
    TestMixerForm test(registered);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mixerform.moc"
