// Checks the widget tree that Ui_TarvixMixer builds into a main window: members and their order,
// parents and layout positions, layout metrics, size policies, properties, texts, initial states
// and the three embedded images.

#include "ui_tarvixmixer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QResource>
#include <QSizeGrip>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

const char* const folderPath = ":/Images/Images/folder_16x16.png";
const char* const floppyPath = ":/Images/Images/floppy_16x16.png";
const char* const logoPath = ":/Images/Images/Tarvix.png";

// One pointer member of the form object: the widget or layout it points to, or its spacer.
struct Member
{
    QString name;
    const void* address;
    QObject* object;
    QSpacerItem* spacer;
};

#define FORM_OBJECT(m)                                                                             \
    Member                                                                                         \
    {                                                                                              \
        QStringLiteral(#m), &form.m, form.m, nullptr                                               \
    }
#define FORM_SPACER(m)                                                                             \
    Member                                                                                         \
    {                                                                                              \
        QStringLiteral(#m), &form.m, nullptr, form.m                                               \
    }

// The form's members, listed in the order the window is specified to have them.
QList<Member> formMembers(Ui::TarvixMixer& form)
{
    return {
        FORM_OBJECT(centralWidget),
        FORM_OBJECT(horizontalLayout_2),
        FORM_OBJECT(verticalLayout),
        FORM_OBJECT(gb_hid_control),
        FORM_OBJECT(verticalLayout_7),
        FORM_OBJECT(cb_phantom_left),
        FORM_OBJECT(cb_phantom_right),
        FORM_OBJECT(cb_loopback_left),
        FORM_OBJECT(cb_loopback_right),
        FORM_SPACER(verticalSpacer),
        FORM_OBJECT(groupBox_3),
        FORM_OBJECT(verticalLayout_3),
        FORM_OBJECT(label),
        FORM_SPACER(verticalSpacer_2),
        FORM_OBJECT(checkBox),
        FORM_OBJECT(frame_2),
        FORM_OBJECT(verticalLayout_2),
        FORM_OBJECT(horizontalLayout_9),
        FORM_OBJECT(combo_device_select),
        FORM_OBJECT(LoadButton),
        FORM_OBJECT(StoreButton),
        FORM_SPACER(horizontalSpacer),
        FORM_OBJECT(horizontalLayout),
        FORM_OBJECT(gb_playback),
        FORM_OBJECT(verticalLayout_4),
        FORM_OBJECT(horizontalLayout_3),
        FORM_OBJECT(verticalLayout_6),
        FORM_OBJECT(horizontalLayout_6),
        FORM_SPACER(horizontalSpacer_2),
        FORM_OBJECT(vol_slider_playback_left),
        FORM_SPACER(horizontalSpacer_3),
        FORM_OBJECT(vol_label_playback_left),
        FORM_OBJECT(verticalLayout_8),
        FORM_OBJECT(horizontalLayout_5),
        FORM_SPACER(horizontalSpacer_4),
        FORM_OBJECT(vol_slider_playback_right),
        FORM_SPACER(horizontalSpacer_5),
        FORM_OBJECT(vol_label_playback_right),
        FORM_OBJECT(cb_playback_link),
        FORM_OBJECT(cb_playback_mute),
        FORM_OBJECT(gb_record),
        FORM_OBJECT(verticalLayout_5),
        FORM_OBJECT(horizontalLayout_4),
        FORM_OBJECT(verticalLayout_10),
        FORM_OBJECT(horizontalLayout_7),
        FORM_SPACER(horizontalSpacer_6),
        FORM_OBJECT(vol_slider_record_left),
        FORM_SPACER(horizontalSpacer_7),
        FORM_OBJECT(vol_label_record_left),
        FORM_OBJECT(verticalLayout_9),
        FORM_OBJECT(horizontalLayout_8),
        FORM_SPACER(horizontalSpacer_8),
        FORM_OBJECT(vol_slider_record_right),
        FORM_SPACER(horizontalSpacer_9),
        FORM_OBJECT(vol_label_record_right),
        FORM_OBJECT(cb_record_link),
        FORM_OBJECT(cb_record_mute),
        FORM_OBJECT(statusBar),
    };
}

#undef FORM_OBJECT
#undef FORM_SPACER

// Where each member belongs. parent: "window", "layout of <widget>", "nested" (a layout added
// to another layout) or "" (spacer). placedIn: the receiving layout, "central widget" or
// "status bar"; position counts from 1.
struct TreeRow
{
    const char* member;
    const char* className;
    const char* parent;
    const char* placedIn;
    int position;
};

const TreeRow widgetTree[] = {
    {"centralWidget", "QWidget", "window", "central widget", 0},
    {"horizontalLayout_2", "QHBoxLayout", "layout of centralWidget", "", 0},
    {"verticalLayout", "QVBoxLayout", "nested", "horizontalLayout_2", 1},
    {"gb_hid_control", "QGroupBox", "centralWidget", "verticalLayout", 1},
    {"verticalLayout_7", "QVBoxLayout", "layout of gb_hid_control", "", 0},
    {"cb_phantom_left", "QCheckBox", "gb_hid_control", "verticalLayout_7", 1},
    {"cb_phantom_right", "QCheckBox", "gb_hid_control", "verticalLayout_7", 2},
    {"cb_loopback_left", "QCheckBox", "gb_hid_control", "verticalLayout_7", 3},
    {"cb_loopback_right", "QCheckBox", "gb_hid_control", "verticalLayout_7", 4},
    {"verticalSpacer", "QSpacerItem", "", "verticalLayout_7", 5},
    {"groupBox_3", "QGroupBox", "centralWidget", "verticalLayout", 2},
    {"verticalLayout_3", "QVBoxLayout", "layout of groupBox_3", "", 0},
    {"label", "QLabel", "groupBox_3", "verticalLayout_3", 1},
    {"verticalSpacer_2", "QSpacerItem", "", "verticalLayout_3", 2},
    {"checkBox", "QCheckBox", "groupBox_3", "verticalLayout_3", 3},
    {"frame_2", "QFrame", "centralWidget", "horizontalLayout_2", 2},
    {"verticalLayout_2", "QVBoxLayout", "layout of frame_2", "", 0},
    {"horizontalLayout_9", "QHBoxLayout", "nested", "verticalLayout_2", 1},
    {"combo_device_select", "QComboBox", "frame_2", "horizontalLayout_9", 1},
    {"LoadButton", "QPushButton", "frame_2", "horizontalLayout_9", 2},
    {"StoreButton", "QPushButton", "frame_2", "horizontalLayout_9", 3},
    {"horizontalSpacer", "QSpacerItem", "", "verticalLayout_2", 2},
    {"horizontalLayout", "QHBoxLayout", "nested", "verticalLayout_2", 3},
    {"gb_playback", "QGroupBox", "frame_2", "horizontalLayout", 1},
    {"verticalLayout_4", "QVBoxLayout", "layout of gb_playback", "", 0},
    {"horizontalLayout_3", "QHBoxLayout", "nested", "verticalLayout_4", 1},
    {"verticalLayout_6", "QVBoxLayout", "nested", "horizontalLayout_3", 1},
    {"horizontalLayout_6", "QHBoxLayout", "nested", "verticalLayout_6", 1},
    {"horizontalSpacer_2", "QSpacerItem", "", "horizontalLayout_6", 1},
    {"vol_slider_playback_left", "QSlider", "gb_playback", "horizontalLayout_6", 2},
    {"horizontalSpacer_3", "QSpacerItem", "", "horizontalLayout_6", 3},
    {"vol_label_playback_left", "QLabel", "gb_playback", "verticalLayout_6", 2},
    {"verticalLayout_8", "QVBoxLayout", "nested", "horizontalLayout_3", 2},
    {"horizontalLayout_5", "QHBoxLayout", "nested", "verticalLayout_8", 1},
    {"horizontalSpacer_4", "QSpacerItem", "", "horizontalLayout_5", 1},
    {"vol_slider_playback_right", "QSlider", "gb_playback", "horizontalLayout_5", 2},
    {"horizontalSpacer_5", "QSpacerItem", "", "horizontalLayout_5", 3},
    {"vol_label_playback_right", "QLabel", "gb_playback", "verticalLayout_8", 2},
    {"cb_playback_link", "QCheckBox", "gb_playback", "verticalLayout_4", 2},
    {"cb_playback_mute", "QCheckBox", "gb_playback", "verticalLayout_4", 3},
    {"gb_record", "QGroupBox", "frame_2", "horizontalLayout", 2},
    {"verticalLayout_5", "QVBoxLayout", "layout of gb_record", "", 0},
    {"horizontalLayout_4", "QHBoxLayout", "nested", "verticalLayout_5", 1},
    {"verticalLayout_10", "QVBoxLayout", "nested", "horizontalLayout_4", 1},
    {"horizontalLayout_7", "QHBoxLayout", "nested", "verticalLayout_10", 1},
    {"horizontalSpacer_6", "QSpacerItem", "", "horizontalLayout_7", 1},
    {"vol_slider_record_left", "QSlider", "gb_record", "horizontalLayout_7", 2},
    {"horizontalSpacer_7", "QSpacerItem", "", "horizontalLayout_7", 3},
    {"vol_label_record_left", "QLabel", "gb_record", "verticalLayout_10", 2},
    {"verticalLayout_9", "QVBoxLayout", "nested", "horizontalLayout_4", 2},
    {"horizontalLayout_8", "QHBoxLayout", "nested", "verticalLayout_9", 1},
    {"horizontalSpacer_8", "QSpacerItem", "", "horizontalLayout_8", 1},
    {"vol_slider_record_right", "QSlider", "gb_record", "horizontalLayout_8", 2},
    {"horizontalSpacer_9", "QSpacerItem", "", "horizontalLayout_8", 3},
    {"vol_label_record_right", "QLabel", "gb_record", "verticalLayout_9", 2},
    {"cb_record_link", "QCheckBox", "gb_record", "verticalLayout_5", 2},
    {"cb_record_mute", "QCheckBox", "gb_record", "verticalLayout_5", 3},
    {"statusBar", "QStatusBar", "window", "status bar", 0},
};

const char* const sliderNames[] = {"vol_slider_playback_left", "vol_slider_playback_right",
                                   "vol_slider_record_left", "vol_slider_record_right"};
const char* const levelLabelNames[] = {"vol_label_playback_left", "vol_label_playback_right",
                                       "vol_label_record_left", "vol_label_record_right"};

// The QObject that owns a member as Qt's parent: the parent widget of a widget, the widget of a
// layout set on a widget, the receiving layout of a nested layout.
QString expectedQtParent(const TreeRow& row)
{
    const QString parent = QString::fromLatin1(row.parent);
    if (parent == QLatin1String("nested"))
        return QString::fromLatin1(row.placedIn);
    if (parent.startsWith(QLatin1String("layout of ")))
        return parent.mid(int(qstrlen("layout of ")));
    return parent;
}

// A widget of the given class as Qt constructs it, to compare default properties with.
std::unique_ptr<QWidget> defaultWidget(const QString& className)
{
    if (className == QLatin1String("QCheckBox"))
        return std::make_unique<QCheckBox>();
    if (className == QLatin1String("QGroupBox"))
        return std::make_unique<QGroupBox>();
    if (className == QLatin1String("QLabel"))
        return std::make_unique<QLabel>();
    if (className == QLatin1String("QFrame"))
        return std::make_unique<QFrame>();
    if (className == QLatin1String("QStatusBar"))
        return std::make_unique<QStatusBar>();
    if (className == QLatin1String("QComboBox"))
        return std::make_unique<QComboBox>();
    if (className == QLatin1String("QPushButton"))
        return std::make_unique<QPushButton>();
    if (className == QLatin1String("QSlider"))
        return std::make_unique<QSlider>();
    return std::make_unique<QWidget>();
}

// Records every text that passes through the translation function and returns it marked, so a
// test can tell translated from untranslated texts.
class RecordingTranslator : public QTranslator
{
public:
    struct Call
    {
        QString context;
        QString sourceText;
        bool hasDisambiguation;
    };

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int /*n*/) const override
    {
        calls.append(
            {QString::fromUtf8(context), QString::fromUtf8(sourceText), disambiguation != nullptr});
        return QStringLiteral("<") + QString::fromUtf8(sourceText) + QStringLiteral(">");
    }
    bool isEmpty() const override { return false; }

    mutable QList<Call> calls;
};

QColor averageOpaqueColour(const QImage& image)
{
    qint64 red = 0, green = 0, blue = 0, count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            red += c.red();
            green += c.green();
            blue += c.blue();
            ++count;
        }
    }
    if (count == 0)
        return QColor(Qt::transparent);
    return QColor(int(red / count), int(green / count), int(blue / count));
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
    void cleanup();

    // The window itself
    void windowObjectName_data();
    void windowObjectName();
    void windowGeometryAndPolicy();
    void windowHasOnlyCentralWidgetAndStatusBar();
    void statusBarHasNoSizeGripAndNoMessage();

    // Members, tree and order
    void membersAreDeclaredInOrder();
    void memberNamesMatchObjectNames();
    void treePlacement_data();
    void treePlacement();
    void childrenAreCreatedInOrder();
    void layoutsHoldNothingElse();
    void layoutItemsHaveNoStretchOrAlignment();

    // Metrics and policies
    void layoutMetrics_data();
    void layoutMetrics();
    void spacers_data();
    void spacers();
    void formSizePolicies_data();
    void formSizePolicies();
    void otherWidgetsKeepDefaultSizePolicy();

    // Properties
    void sliderProperties_data();
    void sliderProperties();
    void levelLabelProperties_data();
    void levelLabelProperties();
    void frameProperties();
    void logoLabel();
    void buttonIcons_data();
    void buttonIcons();

    // Texts
    void texts_data();
    void texts();
    void onlyButtonsHaveToolTips();
    void translatedTextsInOrder();

    // Initial state
    void initialStates_data();
    void initialStates();
    void deviceListStartsEmpty();

    // Images
    void imagesRegisteredBeforeApplication();
    void images_data();
    void images();
    void imageColours_data();
    void imageColours();
    void logoHasTransparentBackground();

private:
    QObject* object(const QString& name) const;
    QSpacerItem* spacer(const QString& name) const;
    template <typename T> T* widget(const char* name) const
    {
        auto* result = qobject_cast<T*>(object(QString::fromLatin1(name)));
        if (!result)
            qFatal("member %s is missing or of another class", name);
        return result;
    }

    const bool registeredBeforeApplication;
    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<Ui::TarvixMixer> form;
    QHash<QString, Member> members;
};

void TestMixerForm::init()
{
    window = std::make_unique<QMainWindow>();
    form = std::make_unique<Ui::TarvixMixer>();
    form->setupUi(window.get());
    members.clear();
    for (const Member& member : formMembers(*form))
        members.insert(member.name, member);
}

void TestMixerForm::cleanup()
{
    members.clear();
    form.reset();
    window.reset();
}

QObject* TestMixerForm::object(const QString& name) const
{
    if (name == QLatin1String("window"))
        return window.get();
    return members.value(name).object;
}

QSpacerItem* TestMixerForm::spacer(const QString& name) const
{
    return members.value(name).spacer;
}

// ---- The window itself ----

void TestMixerForm::windowObjectName_data()
{
    QTest::addColumn<QString>("presetName");
    QTest::addColumn<QString>("expectedName");
    QTest::newRow("unnamed window gets the form's name") << QString() << "TarvixMixer";
    QTest::newRow("named window keeps its name") << "mainWindow"
                                                 << "mainWindow";
    QTest::newRow("name differing only in case is kept") << "tarvixmixer"
                                                         << "tarvixmixer";
}

void TestMixerForm::windowObjectName()
{
    QFETCH(QString, presetName);
    QFETCH(QString, expectedName);
    QMainWindow named;
    named.setObjectName(presetName);
    Ui::TarvixMixer namedForm;
    namedForm.setupUi(&named);
    QCOMPARE(named.objectName(), expectedName);
}

void TestMixerForm::windowGeometryAndPolicy()
{
    QCOMPARE(window->size(), QSize(417, 362));
    const QSizePolicy policy = window->sizePolicy();
    QCOMPARE(policy.horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(policy.verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(policy.horizontalStretch(), 0);
    QCOMPARE(policy.verticalStretch(), 0);
    QCOMPARE(policy.hasHeightForWidth(), QMainWindow().sizePolicy().hasHeightForWidth());
}

void TestMixerForm::windowHasOnlyCentralWidgetAndStatusBar()
{
    QCOMPARE(window->centralWidget(), form->centralWidget);
    QCOMPARE(window->statusBar(), form->statusBar);
    QVERIFY(!window->findChild<QMenuBar*>());
    QVERIFY(window->findChildren<QToolBar*>().isEmpty());
}

void TestMixerForm::statusBarHasNoSizeGripAndNoMessage()
{
    QVERIFY(!form->statusBar->isSizeGripEnabled());
    QVERIFY(!form->statusBar->findChild<QSizeGrip*>());
    QVERIFY(form->statusBar->currentMessage().isEmpty());
}

// ---- Members, tree and order ----

void TestMixerForm::membersAreDeclaredInOrder()
{
    const QList<Member> list = formMembers(*form);
    QCOMPARE(list.size(), int(std::size(widgetTree)));
    // Nothing beyond the listed pointers: no hidden extra widget, layout or spacer.
    QCOMPARE(sizeof(Ui::TarvixMixer), std::size(widgetTree) * sizeof(void*));
    for (int i = 0; i < list.size(); ++i) {
        QCOMPARE(list.at(i).name, QString::fromLatin1(widgetTree[i].member));
        if (i > 0) {
            const auto* previous = static_cast<const char*>(list.at(i - 1).address);
            const auto* current = static_cast<const char*>(list.at(i).address);
            if (!(previous < current))
                QFAIL(qPrintable(list.at(i).name + QLatin1String(" is declared too early")));
        }
    }
}

void TestMixerForm::memberNamesMatchObjectNames()
{
    for (const Member& member : formMembers(*form)) {
        if (member.spacer) {
            QVERIFY(!member.object);
            continue;
        }
        QVERIFY2(member.object, qPrintable(member.name));
        QCOMPARE(member.object->objectName(), member.name);
    }
}

void TestMixerForm::treePlacement_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("placedIn");
    QTest::addColumn<int>("position");
    for (const TreeRow& row : widgetTree) {
        QTest::newRow(row.member) << QString::fromLatin1(row.className)
                                  << QString::fromLatin1(row.parent)
                                  << QString::fromLatin1(row.placedIn) << row.position;
    }
}

void TestMixerForm::treePlacement()
{
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QString, placedIn);
    QFETCH(int, position);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QObject* const item = object(name);
    QSpacerItem* const spacerItem = spacer(name);

    if (className == QLatin1String("QSpacerItem")) {
        QVERIFY(spacerItem);
    } else {
        QVERIFY(item);
        QCOMPARE(QString::fromLatin1(item->metaObject()->className()), className);
    }

    auto* const widget = qobject_cast<QWidget*>(item);
    auto* const layout = qobject_cast<QLayout*>(item);
    if (widget) {
        QCOMPARE(widget->parentWidget(), object(parent));
    } else if (layout && parent.startsWith(QLatin1String("layout of "))) {
        auto* const owner = qobject_cast<QWidget*>(object(parent.mid(int(qstrlen("layout of ")))));
        QVERIFY(owner);
        QCOMPARE(owner->layout(), layout);
        QCOMPARE(layout->parent(), owner);
    } else if (layout) {
        QCOMPARE(parent, QStringLiteral("nested"));
        QCOMPARE(layout->parent(), object(placedIn));
    }

    if (placedIn == QLatin1String("central widget")) {
        QCOMPARE(window->centralWidget(), widget);
    } else if (placedIn == QLatin1String("status bar")) {
        QCOMPARE(window->statusBar(), widget);
    } else if (!placedIn.isEmpty()) {
        auto* const box = qobject_cast<QBoxLayout*>(object(placedIn));
        QVERIFY(box);
        QVERIFY(position >= 1 && position <= box->count());
        QLayoutItem* const slot = box->itemAt(position - 1);
        if (spacerItem)
            QCOMPARE(slot->spacerItem(), spacerItem);
        else if (widget)
            QCOMPARE(slot->widget(), widget);
        else
            QCOMPARE(slot->layout(), layout);
    }
}

// Qt keeps children in creation order, so the children of every container must follow the
// member order among themselves.
void TestMixerForm::childrenAreCreatedInOrder()
{
    QHash<QString, QStringList> expectedChildren;
    for (const TreeRow& row : widgetTree) {
        if (qstrcmp(row.className, "QSpacerItem") == 0)
            continue;
        expectedChildren[expectedQtParent(row)].append(QString::fromLatin1(row.member));
    }
    QVERIFY(!expectedChildren.isEmpty());
    for (auto it = expectedChildren.cbegin(); it != expectedChildren.cend(); ++it) {
        QObject* const container = object(it.key());
        QVERIFY2(container, qPrintable(it.key()));
        QStringList actual;
        for (QObject* child : container->children()) {
            if (members.contains(child->objectName()) &&
                members.value(child->objectName()).object == child)
                actual.append(child->objectName());
        }
        QCOMPARE(actual, it.value());
    }
}

void TestMixerForm::layoutsHoldNothingElse()
{
    QHash<QString, int> itemCounts;
    for (const TreeRow& row : widgetTree) {
        if (row.position > 0)
            ++itemCounts[QString::fromLatin1(row.placedIn)];
    }
    int layouts = 0;
    for (const Member& member : formMembers(*form)) {
        auto* const layout = qobject_cast<QLayout*>(member.object);
        if (!layout)
            continue;
        ++layouts;
        QVERIFY2(itemCounts.value(member.name) > 0, qPrintable(member.name));
        QCOMPARE(layout->count(), itemCounts.value(member.name));
    }
    QCOMPARE(layouts, 19);
}

void TestMixerForm::layoutItemsHaveNoStretchOrAlignment()
{
    for (const Member& member : formMembers(*form)) {
        auto* const box = qobject_cast<QBoxLayout*>(member.object);
        if (!box)
            continue;
        for (int i = 0; i < box->count(); ++i) {
            QCOMPARE(box->stretch(i), 0);
            QCOMPARE(box->itemAt(i)->alignment(), Qt::Alignment());
        }
    }
}

// ---- Metrics and policies ----

void TestMixerForm::layoutMetrics_data()
{
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");
    const QMargins groupMargins(11, 11, 11, 11);
    const QMargins none(0, 0, 0, 0);
    QTest::newRow("horizontalLayout_2") << 6 << groupMargins;
    QTest::newRow("verticalLayout") << 6 << none;
    QTest::newRow("verticalLayout_7") << 6 << groupMargins;
    QTest::newRow("verticalLayout_3") << 6 << groupMargins;
    QTest::newRow("verticalLayout_2") << 0 << none;
    QTest::newRow("horizontalLayout_9") << 6 << none;
    QTest::newRow("horizontalLayout") << 6 << none;
    QTest::newRow("verticalLayout_4") << 6 << groupMargins;
    QTest::newRow("horizontalLayout_3") << 6 << none;
    QTest::newRow("verticalLayout_6") << 6 << none;
    QTest::newRow("horizontalLayout_6") << 6 << none;
    QTest::newRow("verticalLayout_8") << 6 << none;
    QTest::newRow("horizontalLayout_5") << 6 << none;
    QTest::newRow("verticalLayout_5") << 6 << groupMargins;
    QTest::newRow("horizontalLayout_4") << 6 << none;
    QTest::newRow("verticalLayout_10") << 6 << none;
    QTest::newRow("horizontalLayout_7") << 6 << none;
    QTest::newRow("verticalLayout_9") << 6 << none;
    QTest::newRow("horizontalLayout_8") << 6 << none;
}

void TestMixerForm::layoutMetrics()
{
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);
    auto* const layout =
        qobject_cast<QLayout*>(object(QString::fromLatin1(QTest::currentDataTag())));
    QVERIFY(layout);
    QCOMPARE(layout->spacing(), spacing);
    QCOMPARE(layout->contentsMargins(), margins);
}

void TestMixerForm::spacers_data()
{
    QTest::addColumn<QSize>("sizeHint");
    QTest::addColumn<QSizePolicy::Policy>("horizontal");
    QTest::addColumn<QSizePolicy::Policy>("vertical");
    QTest::newRow("verticalSpacer")
        << QSize(20, 40) << QSizePolicy::Minimum << QSizePolicy::Minimum;
    QTest::newRow("verticalSpacer_2")
        << QSize(20, 40) << QSizePolicy::Minimum << QSizePolicy::Expanding;
    QTest::newRow("horizontalSpacer")
        << QSize(272, 6) << QSizePolicy::Expanding << QSizePolicy::Minimum;
    for (int i = 2; i <= 9; ++i) {
        const QByteArray name = "horizontalSpacer_" + QByteArray::number(i);
        QTest::newRow(name.constData())
            << QSize(0, 20) << QSizePolicy::Expanding << QSizePolicy::Minimum;
    }
}

void TestMixerForm::spacers()
{
    QFETCH(QSize, sizeHint);
    QFETCH(QSizePolicy::Policy, horizontal);
    QFETCH(QSizePolicy::Policy, vertical);
    QSpacerItem* const item = spacer(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(item);
    QCOMPARE(item->sizeHint(), sizeHint);
    QCOMPARE(item->sizePolicy().horizontalPolicy(), horizontal);
    QCOMPARE(item->sizePolicy().verticalPolicy(), vertical);
}

void TestMixerForm::formSizePolicies_data()
{
    QTest::addColumn<QSizePolicy::Policy>("horizontal");
    QTest::addColumn<QSizePolicy::Policy>("vertical");
    QTest::newRow("centralWidget") << QSizePolicy::Minimum << QSizePolicy::Minimum;
    QTest::newRow("combo_device_select") << QSizePolicy::MinimumExpanding << QSizePolicy::Minimum;
    QTest::newRow("LoadButton") << QSizePolicy::Minimum << QSizePolicy::Minimum;
    QTest::newRow("StoreButton") << QSizePolicy::Minimum << QSizePolicy::Minimum;
    for (const char* name : sliderNames)
        QTest::newRow(name) << QSizePolicy::Fixed << QSizePolicy::Expanding;
    for (const char* name : levelLabelNames)
        QTest::newRow(name) << QSizePolicy::Expanding << QSizePolicy::Preferred;
}

void TestMixerForm::formSizePolicies()
{
    QFETCH(QSizePolicy::Policy, horizontal);
    QFETCH(QSizePolicy::Policy, vertical);
    auto* const widget =
        qobject_cast<QWidget*>(object(QString::fromLatin1(QTest::currentDataTag())));
    QVERIFY(widget);
    const QSizePolicy policy = widget->sizePolicy();
    QCOMPARE(policy.horizontalPolicy(), horizontal);
    QCOMPARE(policy.verticalPolicy(), vertical);
    QCOMPARE(policy.horizontalStretch(), 0);
    QCOMPARE(policy.verticalStretch(), 0);
    const auto fresh = defaultWidget(QString::fromLatin1(widget->metaObject()->className()));
    QCOMPARE(policy.hasHeightForWidth(), fresh->sizePolicy().hasHeightForWidth());
}

void TestMixerForm::otherWidgetsKeepDefaultSizePolicy()
{
    const QStringList withFormPolicy = {
        QStringLiteral("centralWidget"), QStringLiteral("combo_device_select"),
        QStringLiteral("LoadButton"), QStringLiteral("StoreButton")};
    int checked = 0;
    for (const Member& member : formMembers(*form)) {
        auto* const widget = qobject_cast<QWidget*>(member.object);
        if (!widget || withFormPolicy.contains(member.name) ||
            member.name.startsWith(QLatin1String("vol_")))
            continue;
        const auto fresh = defaultWidget(QString::fromLatin1(widget->metaObject()->className()));
        const QSizePolicy policy = widget->sizePolicy();
        const QSizePolicy expected = fresh->sizePolicy();
        QVERIFY2(policy.horizontalPolicy() == expected.horizontalPolicy() &&
                     policy.verticalPolicy() == expected.verticalPolicy() &&
                     policy.horizontalStretch() == expected.horizontalStretch() &&
                     policy.verticalStretch() == expected.verticalStretch() &&
                     policy.hasHeightForWidth() == expected.hasHeightForWidth(),
                 qPrintable(member.name));
        ++checked;
    }
    // The three groups, frame_2, groupBox_3, label, the status bar and nine check boxes.
    QCOMPARE(checked, 16);
}

// ---- Properties ----

void TestMixerForm::sliderProperties_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : sliderNames)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestMixerForm::sliderProperties()
{
    QFETCH(QString, name);
    auto* const slider = qobject_cast<QSlider*>(object(name));
    QVERIFY(slider);
    QCOMPARE(slider->orientation(), Qt::Vertical);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 1000);
    QCOMPARE(slider->singleStep(), 1);
    QCOMPARE(slider->pageStep(), 10);
    QCOMPARE(slider->tickPosition(), QSlider::TicksRight);
    QCOMPARE(int(slider->tickPosition()), 2);
    QCOMPARE(slider->tickInterval(), 1);
    QCOMPARE(slider->value(), 0);
}

void TestMixerForm::levelLabelProperties_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : levelLabelNames)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestMixerForm::levelLabelProperties()
{
    QFETCH(QString, name);
    auto* const label = qobject_cast<QLabel*>(object(name));
    QVERIFY(label);
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QCOMPARE(int(label->alignment()), 0x84);
    QVERIFY(label->text().isEmpty());
    QVERIFY(label->pixmap().isNull());
}

void TestMixerForm::frameProperties()
{
    QCOMPARE(form->frame_2->frameShape(), QFrame::NoFrame);
    QCOMPARE(form->frame_2->frameShadow(), QFrame::Raised);
}

void TestMixerForm::logoLabel()
{
    QLabel* const label = form->label;
    QVERIFY(label->text().isEmpty());
    QVERIFY(label->hasScaledContents());
    const QPixmap pixmap = label->pixmap();
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(122, 91));
    QImage expected(QString::fromLatin1(logoPath));
    QVERIFY(!expected.isNull());
    QCOMPARE(pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

void TestMixerForm::buttonIcons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("imagePath");
    QTest::newRow("LoadButton") << "LoadButton" << QString::fromLatin1(folderPath);
    QTest::newRow("StoreButton") << "StoreButton" << QString::fromLatin1(floppyPath);
}

void TestMixerForm::buttonIcons()
{
    QFETCH(QString, button);
    QFETCH(QString, imagePath);
    auto* const pushButton = qobject_cast<QPushButton*>(object(button));
    QVERIFY(pushButton);
    const QIcon icon = pushButton->icon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(QIcon::Normal, QIcon::Off), QList<QSize>{QSize(16, 16)});
    QVERIFY(icon.availableSizes(QIcon::Normal, QIcon::On).isEmpty());
    QVERIFY(icon.availableSizes(QIcon::Active, QIcon::Off).isEmpty());
    const QImage expected = QImage(imagePath).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QVERIFY(!expected.isNull());
    QCOMPARE(icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal, QIcon::Off)
                 .toImage()
                 .convertToFormat(QImage::Format_ARGB32_Premultiplied),
             expected);
}

// ---- Texts ----

void TestMixerForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("text");
    QTest::newRow("window title") << "window" << QByteArray("windowTitle") << "TarvixMixer";
    QTest::newRow("HID group") << "gb_hid_control" << QByteArray("title") << "HID controls";
    QTest::newRow("phantom left") << "cb_phantom_left" << QByteArray("text") << "Phantom Left";
    QTest::newRow("phantom right") << "cb_phantom_right" << QByteArray("text") << "Phantom Right";
    QTest::newRow("loopback left, two blanks")
        << "cb_loopback_left" << QByteArray("text") << "Loopback  Left";
    QTest::newRow("loopback right, one blank")
        << "cb_loopback_right" << QByteArray("text") << "Loopback Right";
    QTest::newRow("logo group untitled") << "groupBox_3" << QByteArray("title") << QString();
    QTest::newRow("logo label") << "label" << QByteArray("text") << QString();
    QTest::newRow("on top") << "checkBox" << QByteArray("text") << "Always on top";
    QTest::newRow("load tool tip")
        << "LoadButton" << QByteArray("toolTip") << "Load state from preset file";
    QTest::newRow("load text") << "LoadButton" << QByteArray("text") << QString();
    QTest::newRow("store tool tip")
        << "StoreButton" << QByteArray("toolTip") << "Store current state in preset file";
    QTest::newRow("store text") << "StoreButton" << QByteArray("text") << QString();
    QTest::newRow("output group") << "gb_playback" << QByteArray("title") << "Output Gain";
    QTest::newRow("output link") << "cb_playback_link" << QByteArray("text") << "Link";
    QTest::newRow("output mute") << "cb_playback_mute" << QByteArray("text") << "Mute";
    QTest::newRow("input group") << "gb_record" << QByteArray("title") << "Input Gain";
    QTest::newRow("input link") << "cb_record_link" << QByteArray("text") << "Link";
    QTest::newRow("input mute") << "cb_record_mute" << QByteArray("text") << "Mute";
    for (const char* name : levelLabelNames)
        QTest::newRow(name) << QString::fromLatin1(name) << QByteArray("text") << QString();
}

void TestMixerForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QString, text);
    QObject* const target = object(name);
    QVERIFY(target);
    const QVariant value = target->property(property.constData());
    QVERIFY(value.isValid());
    QCOMPARE(value.toString(), text);
}

void TestMixerForm::onlyButtonsHaveToolTips()
{
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    QVERIFY(widgets.size() >= 28);
    for (QWidget* widget : widgets) {
        if (widget == form->LoadButton || widget == form->StoreButton)
            continue;
        QVERIFY2(widget->toolTip().isEmpty(), qPrintable(widget->objectName()));
    }
}

// Every visible text goes through the translation function in context "TarvixMixer", in the
// order the form sets them; the empty texts, including the logo label's, are not translated.
void TestMixerForm::translatedTextsInOrder()
{
    RecordingTranslator translator;
    QVERIFY(qApp->installTranslator(&translator));
    // Installing a translator makes Qt look up its own texts; only the form's calls count.
    translator.calls.clear();
    QMainWindow translatedWindow;
    Ui::TarvixMixer translatedForm;
    translatedForm.setupUi(&translatedWindow);
    const QList<RecordingTranslator::Call> calls = translator.calls;
    qApp->removeTranslator(&translator);

    const QStringList expectedOrder = {
        QStringLiteral("TarvixMixer"),
        QStringLiteral("HID controls"),
        QStringLiteral("Phantom Left"),
        QStringLiteral("Phantom Right"),
        QStringLiteral("Loopback  Left"),
        QStringLiteral("Loopback Right"),
        QStringLiteral("Always on top"),
        QStringLiteral("Load state from preset file"),
        QStringLiteral("Store current state in preset file"),
        QStringLiteral("Output Gain"),
        QStringLiteral("Link"),
        QStringLiteral("Mute"),
        QStringLiteral("Input Gain"),
        QStringLiteral("Link"),
        QStringLiteral("Mute"),
    };
    QStringList sourceTexts;
    for (const RecordingTranslator::Call& call : calls) {
        QCOMPARE(call.context, QStringLiteral("TarvixMixer"));
        QVERIFY(!call.hasDisambiguation);
        sourceTexts.append(call.sourceText);
    }
    QCOMPARE(sourceTexts, expectedOrder);

    QCOMPARE(translatedWindow.windowTitle(), QStringLiteral("<TarvixMixer>"));
    QCOMPARE(translatedForm.cb_loopback_left->text(), QStringLiteral("<Loopback  Left>"));
    QCOMPARE(translatedForm.LoadButton->toolTip(), QStringLiteral("<Load state from preset file>"));
    QVERIFY(translatedForm.LoadButton->text().isEmpty());
    QVERIFY(translatedForm.label->text().isEmpty());
    QVERIFY(translatedForm.vol_label_record_right->text().isEmpty());
    QVERIFY(translatedForm.groupBox_3->title().isEmpty());
}

// ---- Initial state ----

void TestMixerForm::initialStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("selfEnabled");
    QTest::addColumn<bool>("effectivelyEnabled");
    QTest::addColumn<bool>("checked");
    QTest::newRow("gb_hid_control") << "gb_hid_control" << false << false << false;
    QTest::newRow("cb_phantom_left") << "cb_phantom_left" << true << false << false;
    QTest::newRow("cb_phantom_right") << "cb_phantom_right" << true << false << false;
    QTest::newRow("cb_loopback_left") << "cb_loopback_left" << true << false << false;
    QTest::newRow("cb_loopback_right") << "cb_loopback_right" << true << false << false;
    QTest::newRow("groupBox_3") << "groupBox_3" << true << true << false;
    QTest::newRow("checkBox") << "checkBox" << true << true << false;
    QTest::newRow("combo_device_select") << "combo_device_select" << true << true << false;
    QTest::newRow("LoadButton") << "LoadButton" << false << false << false;
    QTest::newRow("StoreButton") << "StoreButton" << false << false << false;
    QTest::newRow("gb_playback") << "gb_playback" << false << false << false;
    QTest::newRow("cb_playback_link") << "cb_playback_link" << true << false << true;
    QTest::newRow("cb_playback_mute") << "cb_playback_mute" << true << false << false;
    QTest::newRow("gb_record") << "gb_record" << false << false << false;
    QTest::newRow("cb_record_link") << "cb_record_link" << true << false << true;
    QTest::newRow("cb_record_mute") << "cb_record_mute" << true << false << false;
    for (const char* name : sliderNames)
        QTest::newRow(name) << QString::fromLatin1(name) << true << false << false;
    for (const char* name : levelLabelNames)
        QTest::newRow(name) << QString::fromLatin1(name) << true << false << false;
    QTest::newRow("statusBar") << "statusBar" << true << true << false;
}

void TestMixerForm::initialStates()
{
    QFETCH(QString, name);
    QFETCH(bool, selfEnabled);
    QFETCH(bool, effectivelyEnabled);
    QFETCH(bool, checked);
    auto* const widget = qobject_cast<QWidget*>(object(name));
    QVERIFY(widget);
    QCOMPARE(!widget->testAttribute(Qt::WA_ForceDisabled), selfEnabled);
    QCOMPARE(widget->isEnabled(), effectivelyEnabled);
    if (auto* const button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->isChecked(), checked);
        QCOMPARE(button->isCheckable(), qobject_cast<QCheckBox*>(widget) != nullptr);
    }
    if (auto* const group = qobject_cast<QGroupBox*>(widget))
        QVERIFY(!group->isCheckable());
}

void TestMixerForm::deviceListStartsEmpty()
{
    QCOMPARE(form->combo_device_select->count(), 0);
    QCOMPARE(form->combo_device_select->currentIndex(), -1);
    QVERIFY(form->combo_device_select->currentText().isEmpty());
}

// ---- Images ----

void TestMixerForm::imagesRegisteredBeforeApplication()
{
    QVERIFY(registeredBeforeApplication);
}

void TestMixerForm::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("folder") << QString::fromLatin1(folderPath) << QSize(16, 16);
    QTest::newRow("floppy") << QString::fromLatin1(floppyPath) << QSize(16, 16);
    QTest::newRow("logo") << QString::fromLatin1(logoPath) << QSize(122, 91);
}

void TestMixerForm::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QCOMPARE(qint64(data.size()), resource.size());
    // PNG signature, then the IHDR chunk: width, height, bit depth 8, colour type 6 (RGBA).
    QVERIFY(data.size() > 33);
    QCOMPARE(data.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    QCOMPARE(data.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(qFromBigEndian<quint32>(data.constData() + 16), quint32(size.width()));
    QCOMPARE(qFromBigEndian<quint32>(data.constData() + 20), quint32(size.height()));
    QCOMPARE(int(quint8(data.at(24))), 8);
    QCOMPARE(int(quint8(data.at(25))), 6);

    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(image.format(), QImage::Format_ARGB32);
}

void TestMixerForm::imageColours_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("yellow");
    QTest::newRow("folder is yellow") << QString::fromLatin1(folderPath) << true;
    QTest::newRow("floppy is blue") << QString::fromLatin1(floppyPath) << false;
    QTest::newRow("logo is blue") << QString::fromLatin1(logoPath) << false;
}

void TestMixerForm::imageColours()
{
    QFETCH(QString, path);
    QFETCH(bool, yellow);
    const QColor average = averageOpaqueColour(QImage(path));
    QVERIFY(average.alpha() == 255);
    if (yellow) {
        QVERIFY(average.red() > average.blue() + 60);
        QVERIFY(average.green() > average.blue() + 40);
    } else {
        QVERIFY(average.blue() > average.red() + 60);
        QVERIFY(average.blue() > average.green());
    }
}

void TestMixerForm::logoHasTransparentBackground()
{
    const QImage logo(QString::fromLatin1(logoPath));
    QVERIFY(!logo.isNull());
    int transparent = 0;
    int opaque = 0;
    int partial = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const int alpha = logo.pixelColor(x, y).alpha();
            if (alpha == 0)
                ++transparent;
            else if (alpha == 255)
                ++opaque;
            else
                ++partial;
        }
    }
    QCOMPARE(logo.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(logo.pixelColor(logo.width() - 1, logo.height() - 1).alpha(), 0);
    QVERIFY(transparent > logo.width() * logo.height() / 3);
    QVERIFY(opaque > 0);
    QVERIFY(partial > 0); // anti-aliased edges
}

int main(int argc, char* argv[])
{
    // The images are registered while the program is being loaded, before any Qt application
    // object exists.
    const bool registered = QFile::exists(QString::fromLatin1(logoPath));
    QApplication app(argc, argv);
    TestMixerForm test(registered);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mixerform.moc"
