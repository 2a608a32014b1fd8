#include "config/ConfigurationDialog.h"
#include "config/ConfigurationDialogModel.h"
#include "config/NumEdit.h"
#include "support/AccessibleRoute.h"
#include "support/Fakes.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using M = ConfigurationDialogModel;

// Every persistent field set to a value no default holds; numbers need all 15 digits or
// the exponent form to survive.
SettingsModel distinctiveSettings() {
    SettingsModel s;
    s.GraphMethod = QStringLiteral("AutoScale");
    s.YAxisUpper = 12.3456789012345;
    s.YAxisLower = -1.5e-300;
    s.SamplesAveraged = 100;
    s.WriteFileMethod = QStringLiteral("Scale");
    for (int ch = 0; ch < kChannelCount; ++ch) {
        s.Slope[ch] = 1.00000000000001 + ch;
        s.Offset[ch] = -2.5e17 * (ch + 1);
        s.Units[ch] = QStringLiteral("kPa %1").arg(ch);
        s.PeakDisplay[ch] = static_cast<qint16>(ch % 3);
        s.ChannelActive[ch] = static_cast<qint16>(ch % 2);
        s.Polynomial[ch].PolyOrder = static_cast<qint16>(ch + 2);
        for (int i = 0; i < kPolyCoeffCount; ++i) {
            s.Polynomial[ch].PolyCoeff[i] = (ch * 11 + i) * 0.1 + 1e-9;
        }
        s.CalibrationMode[ch] = ch == 5;
    }
    return s;
}

void expectSamePersistentFields(const SettingsModel& a, const SettingsModel& b) {
    EXPECT_EQ(a.GraphMethod, b.GraphMethod);
    EXPECT_EQ(a.YAxisUpper, b.YAxisUpper);
    EXPECT_EQ(a.YAxisLower, b.YAxisLower);
    EXPECT_EQ(a.SamplesAveraged, b.SamplesAveraged);
    EXPECT_EQ(a.WriteFileMethod, b.WriteFileMethod);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        SCOPED_TRACE(ch);
        EXPECT_EQ(a.Slope[ch], b.Slope[ch]);
        EXPECT_EQ(a.Offset[ch], b.Offset[ch]);
        EXPECT_EQ(a.Units[ch], b.Units[ch]);
        EXPECT_EQ(a.PeakDisplay[ch], b.PeakDisplay[ch]);
        EXPECT_EQ(a.ChannelActive[ch], b.ChannelActive[ch]);
        EXPECT_EQ(a.Polynomial[ch].PolyOrder, b.Polynomial[ch].PolyOrder);
        EXPECT_EQ(a.Polynomial[ch].PolyCoeff, b.Polynomial[ch].PolyCoeff);
        EXPECT_EQ(a.CalibrationMode[ch], b.CalibrationMode[ch]);
    }
}

class ConfigurationDialogTest : public ::testing::Test {
  protected:
    std::unique_ptr<M> makeModel() {
        ConfigurationDialogHooks hooks;
        hooks.OpenConfigurationFile = [this] {
            calls.append(QStringLiteral("open"));
            if (onOpen) {
                onOpen();
            }
            return QString();
        };
        hooks.SaveConfigurationFile = [this] {
            calls.append(QStringLiteral("save slope0=%1").arg(settings.Slope[0]));
            return QString();
        };
        hooks.WriteToDefaultConfigFile = [this] {
            calls.append(QStringLiteral("default slope0=%1").arg(settings.Slope[0]));
        };
        hooks.ApplyColors = [this] { calls.append(QStringLiteral("apply")); };
        hooks.CaptureColors = [this] {
            calls.append(QStringLiteral("capture slope0=%1").arg(settings.Slope[0]));
        };
        return std::make_unique<M>(settings, box, hooks);
    }

    SettingsModel settings;
    test::RecordingMessageBox box;
    QStringList calls;
    std::function<void()> onOpen;
};

TEST_F(ConfigurationDialogTest, returnWithoutEdits_storesEveryFieldExactlyAsLoaded) {
    settings = distinctiveSettings();
    const SettingsModel loaded = settings;
    auto model = makeModel();
    model->Load();
    EXPECT_EQ(model->graphMethodChoice(), 1);
    EXPECT_EQ(model->samplesAveragedChoice(), 2);
    EXPECT_EQ(model->saveMethodChoice(), 1);
    EXPECT_EQ(model->peakIndex(2), 2);
    EXPECT_EQ(model->active(1), Qt::Checked);
    EXPECT_EQ(model->active(2), Qt::Unchecked);
    EXPECT_TRUE(model->polynomialSelected(5));

    // Scramble what the dialog commits, so the commit has to bring every field back.
    SettingsModel scrambled;
    scrambled.CalibrationMode = loaded.CalibrationMode;
    settings = scrambled;
    bool closed = false;
    QObject::connect(model.get(), &M::closeRequested, [&] { closed = true; });
    model->mnuReturn_Click();
    expectSamePersistentFields(settings, loaded);
    EXPECT_TRUE(closed);
}

TEST_F(ConfigurationDialogTest, edits_reachTheModelOnlyOnCommit) {
    auto model = makeModel();
    model->Load();
    model->setSlope(3, 2.5);
    model->setUpperBound(5);
    model->setLowerBound(10);  // above the upper bound: stored as typed
    model->setPeakIndex(4, 1);
    model->setActive(6, Qt::Checked);
    model->setSamplesAveragedChoice(3);
    model->setPolyOrder(7, 9);
    model->setCoefficient(7, 10, -4e-20);
    EXPECT_EQ(settings.Slope[3], 0);
    model->CommitSettings();
    EXPECT_EQ(settings.Slope[3], 2.5);
    EXPECT_EQ(settings.YAxisUpper, 5);
    EXPECT_EQ(settings.YAxisLower, 10);
    EXPECT_EQ(settings.PeakDisplay[4], 1);
    EXPECT_EQ(settings.ChannelActive[6], 1);
    EXPECT_EQ(settings.SamplesAveraged, 200);
    EXPECT_EQ(settings.Polynomial[7].PolyOrder, 9);
    EXPECT_EQ(settings.Polynomial[7].PolyCoeff[10], -4e-20);
}

TEST_F(ConfigurationDialogTest, valuesNoChoiceShows_loadAsNoSelectionAndSurviveReturn) {
    settings.PeakDisplay[1] = 7;
    settings.PeakDisplay[2] = -1;
    settings.SamplesAveraged = 50;
    settings.GraphMethod = QStringLiteral("continuous");
    settings.WriteFileMethod = QStringLiteral("Raw");
    settings.ChannelActive[3] = 2;
    const SettingsModel loaded = settings;
    auto model = makeModel();
    model->Load();
    EXPECT_EQ(model->peakIndex(1), M::kNoChoice);
    EXPECT_EQ(model->peakIndex(2), M::kNoChoice);
    EXPECT_EQ(model->peakIndex(0), 0);  // None, as the list was filled
    EXPECT_EQ(model->samplesAveragedChoice(), M::kNoChoice);
    EXPECT_EQ(model->graphMethodChoice(), M::kNoChoice);
    EXPECT_EQ(model->saveMethodChoice(), M::kNoChoice);
    EXPECT_EQ(model->active(3), Qt::PartiallyChecked);
    model->mnuReturn_Click();
    expectSamePersistentFields(settings, loaded);
}

TEST_F(ConfigurationDialogTest, orderThreeOnOneChannel_locksAboveA3AndLeavesOthers) {
    for (auto& p : settings.Polynomial) {
        p.PolyOrder = 1;
    }
    auto model = makeModel();
    model->Load();
    QSignalSpy spy(model.get(), &M::fieldChanged);
    model->setPolyOrder(2, 3);
    for (int i = 0; i < kPolyCoeffCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(model->coefficientEditable(2, i), i <= 3);
        EXPECT_EQ(model->coefficientBackground(2, i), i <= 3 ? 0xFFFFFF : 0xE0E0E0);
        for (int other : {0, 1, 3, 7}) {
            EXPECT_EQ(model->coefficientEditable(other, i), i <= 1);
            EXPECT_EQ(model->coefficientBackground(other, i), i <= 1 ? 0xFFFFFF : 0xE0E0E0);
        }
    }
    // Only CH2's A2 and A3 changed, in field order.
    QList<int> changed;
    for (const auto& args : spy) {
        if (args[0].value<ConfigField>() == ConfigField::CoefficientLook) {
            EXPECT_EQ(args[1].toInt(), 2);
            changed.append(args[2].toInt());
        }
    }
    EXPECT_EQ(changed, (QList<int>{2, 3}));
}

TEST_F(ConfigurationDialogTest, ordersFiveAndTenOnLoad_andOrdersOutsideRangeChangeNothing) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        settings.Polynomial[ch].PolyOrder = ch < 4 ? 5 : 10;
    }
    auto model = makeModel();
    model->Load();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (int i = 0; i < kPolyCoeffCount; ++i) {
            EXPECT_EQ(model->coefficientEditable(ch, i), ch >= 4 || i <= 5) << ch << " " << i;
        }
    }
    model->setPolyOrder(0, 0);
    model->setPolyOrder(4, 11);
    EXPECT_FALSE(model->coefficientEditable(0, 6));
    EXPECT_TRUE(model->coefficientEditable(4, 10));
    EXPECT_EQ(model->coefficientBackground(4, 10), 0xFFFFFF);
}

TEST_F(ConfigurationDialogTest, linearPolynomialChoice_isStoredAtOnceWhileOtherEditsAreLost) {
    auto model = makeModel();
    model->Load();
    EXPECT_TRUE(model->slopeOffsetVisible(4));
    EXPECT_TRUE(model->ghostPVisible(4));
    EXPECT_FALSE(model->polynomialVisible(4));
    EXPECT_FALSE(model->ghostLVisible(4));

    model->setSlope(4, 9);
    model->optPoly_Click(4);
    EXPECT_TRUE(settings.CalibrationMode[4]);
    EXPECT_FALSE(model->slopeOffsetVisible(4));
    EXPECT_TRUE(model->polynomialVisible(4));
    EXPECT_FALSE(model->ghostPVisible(4));
    EXPECT_TRUE(model->ghostLVisible(4));
    EXPECT_EQ(settings.Slope[4], 0);  // the window closed without Return

    model->optLinear_Click(4);
    EXPECT_FALSE(settings.CalibrationMode[4]);
    EXPECT_TRUE(model->slopeOffsetVisible(4));
}

TEST_F(ConfigurationDialogTest, graphScaleClick_isStoredAtOnceAndGreyedChangesNothing) {
    auto model = makeModel();
    model->Load();
    model->chkGraphScale_Click(Qt::Checked);
    EXPECT_TRUE(settings.GraphScale);
    model->chkGraphScale_Click(Qt::PartiallyChecked);
    EXPECT_TRUE(settings.GraphScale);
    model->chkGraphScale_Click(Qt::Unchecked);
    EXPECT_FALSE(settings.GraphScale);

    settings.GraphScale = true;
    auto reopened = makeModel();
    reopened->Load();
    EXPECT_EQ(reopened->graphScaleState(), Qt::Checked);
}

TEST_F(ConfigurationDialogTest, open_refreshesFieldsFromTheFileThenAppliesColours) {
    auto model = makeModel();
    model->Load();
    model->setSlope(0, 7);  // an unsaved edit, lost by Open
    onOpen = [this] {
        settings.Offset[6] = 42;
        settings.CalibrationMode[6] = true;
    };
    model->mnuOpen_Click();
    EXPECT_EQ(calls, (QStringList{QStringLiteral("open"), QStringLiteral("apply")}));
    EXPECT_EQ(model->offset(6), 42);
    EXPECT_EQ(model->slope(0), 0);
    EXPECT_TRUE(model->polynomialVisible(6));
}

TEST_F(ConfigurationDialogTest, saveAndSaveAsDefault_captureThenCommitThenWrite) {
    auto model = makeModel();
    model->Load();
    model->setSlope(0, 3);
    model->mnuSave_Click();
    model->setSlope(0, 4);
    model->mnuSaveAsDefault_Click();
    EXPECT_EQ(calls, (QStringList{
                         QStringLiteral("capture slope0=0"), QStringLiteral("save slope0=3"),
                         QStringLiteral("capture slope0=3"), QStringLiteral("default slope0=4")}));
}

TEST_F(ConfigurationDialogTest, failureEscapingAFileRoutine_isShownNotThrown) {
    ConfigurationDialogHooks hooks;
    hooks.WriteToDefaultConfigFile = [] {
        throw AppError(ErrorNumber::DiskFull, QStringLiteral("Disk full"));
    };
    M model(settings, box, hooks);
    model.Load();
    model.mnuSaveAsDefault_Click();
    ASSERT_EQ(box.okTexts.size(), 1);
    EXPECT_TRUE(box.okTexts[0].contains(QStringLiteral("Disk full")));
}

TEST_F(ConfigurationDialogTest, openingWhileSampling_stopsSamplingFirst) {
    QAction sample;
    sample.setCheckable(true);
    int stops = 0;
    M::StopSamplingFirst(sample, [&] { ++stops; });
    EXPECT_EQ(stops, 0);
    sample.setChecked(true);
    M::StopSamplingFirst(sample, [&] { ++stops; });
    EXPECT_EQ(stops, 1);
}

// --- the window ---------------------------------------------------------------------------

class ConfigurationWindowTest : public ConfigurationDialogTest {
  protected:
    void SetUp() override {
        settings = distinctiveSettings();
        window = new ConfigurationDialog(makeModel());
        window->show();
    }
    void TearDown() override { delete window; }

    template <typename T>
    T* child(const QString& name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    ConfigurationDialog* window = nullptr;
};

TEST_F(ConfigurationWindowTest, carriesTheSystemsNamesCaptionsAndAccessibleNames) {
    EXPECT_EQ(window->objectName(), QStringLiteral("Configuration"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Configuration"));
    auto* tabs = child<QTabWidget>(QStringLiteral("SSTab1"));
    ASSERT_TRUE(tabs && tabs->count() == 3);
    EXPECT_EQ(QStringList({tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}),
              QStringList({"Channels 0-3", "Channels 4-7", "Other Settings"}));

    QStringList labels;
    for (auto* label : window->findChildren<QLabel*>()) {
        labels << label->text() << label->accessibleName();
    }
    for (QString h : {"Channel", "Slope", "Offset", "Unit Conversion", "Polynomial Order",
                      "Peak Detect", "Units", "Lower Bound", "Upper Bound"}) {
        EXPECT_TRUE(labels.contains(h)) << h.toStdString();
    }
    for (int i = 0; i < kPolyCoeffCount; ++i) {
        EXPECT_EQ(labels.count(QStringLiteral("a%1").arg(i)), 2) << i;  // one set per tab
    }
    QStringList frames;
    for (auto* box : window->findChildren<QGroupBox*>()) {
        frames.append(box->title());
    }
    EXPECT_EQ(frames,
              QStringList({"Samples Averaged", "Y-Axis Range", "Graph Method", "Save Method"}));

    // objectName -> caption, and objectName -> accessible name.
    QMap<QString, QString> captions{{"optSA1", "1"},
                                    {"optSA2", "10"},
                                    {"optSA3", "100"},
                                    {"optSA4", "200"},
                                    {"optVolts", "Volts"},
                                    {"optScale", "Scale"},
                                    {"optGraphContinuous", "Continuous"},
                                    {"optGraphAutoScale", "Auto-Scale"},
                                    {"chkGraphScale", "Graph Scale?"}};
    QMap<QString, QString> names{{"NumEditUB", "Upper Bound"}, {"NumEditLB", "Lower Bound"}};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const QString n = QString::number(ch);
        const QString a = "CH" + n + ' ';
        captions.insert("chkCH" + n, n);
        captions.insert("optCH" + n + "Linear", "Linear");
        captions.insert("optCH" + n + "Poly", "Polynomial");
        names.insert("NumEditSlope" + n, a + "Slope");
        names.insert("NumEditOffset" + n, a + "Offset");
        names.insert("txtUnit" + n, a + "Units");
        names.insert("cboPeak" + n, a + "Peak Detect");
        names.insert("chkCH" + n, a + "Active");
        names.insert("optCH" + n + "Linear", a + "Linear");
        names.insert("optCH" + n + "Poly", a + "Polynomial");
        names.insert("NumEditCH" + n + "PolyOrder", a + "Polynomial Order");
        for (int i = 0; i < kPolyCoeffCount; ++i) {
            names.insert(QStringLiteral("NumEditCH%1A%2").arg(ch).arg(i),
                         a + QStringLiteral("a%1").arg(i));
        }
        for (const QString& frame : {"fraCH" + n + "SO", "fraCH" + n + "Poly", "fraGhost" + n + "P",
                                     "fraGhost" + n + "L"}) {
            child<QFrame>(frame);
        }
        auto* peak = child<QComboBox>("cboPeak" + n);
        ASSERT_TRUE(peak && peak->count() == 3);
        EXPECT_EQ(QStringList({peak->itemText(0), peak->itemText(1), peak->itemText(2)}),
                  QStringList({"None", "Min", "Max"}));
    }
    for (auto it = captions.cbegin(); it != captions.cend(); ++it) {
        auto* button = child<QAbstractButton>(it.key());
        EXPECT_EQ(button ? button->text() : QString(), it.value()) << it.key().toStdString();
    }
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        auto* widget = child<QWidget>(it.key());
        EXPECT_EQ(widget ? widget->accessibleName() : QString(), it.value())
            << it.key().toStdString();
    }

    QStringList menu;
    for (QString name : {"mnuOpen", "mnuSave", "mnuSaveAsDefault", "mnuReturn"}) {
        auto* action = window->findChild<QAction*>(name);
        menu.append(action ? action->text() : QStringLiteral("<missing>"));
    }
    EXPECT_EQ(menu, QStringList({"&Open", "&Save", "Save As &Default", "&Return"}));
}

TEST_F(ConfigurationWindowTest, mirrorsLoadedValuesWithoutRoundingThem) {
    auto* offset = child<NumEdit>(QStringLiteral("NumEditOffset1"));
    EXPECT_EQ(offset->text(), QStringLiteral("-5E+17"));
    EXPECT_EQ(child<NumEdit>(QStringLiteral("NumEditLB"))->text(), QStringLiteral("-1.5E-300"));
    EXPECT_EQ(child<NumEdit>(QStringLiteral("NumEditSlope0"))->text(),
              QStringLiteral("1.00000000000001"));
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("optGraphAutoScale"))->isChecked());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("optSA3"))->isChecked());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("optScale"))->isChecked());
    EXPECT_EQ(child<QComboBox>(QStringLiteral("cboPeak2"))->currentIndex(), 2);
    EXPECT_TRUE(child<QFrame>(QStringLiteral("fraCH5SO"))->isHidden());
    EXPECT_FALSE(child<QFrame>(QStringLiteral("fraCH5Poly"))->isHidden());
}

TEST_F(ConfigurationWindowTest, typedValuesAndClicks_reachTheModel) {
    auto* slope = child<NumEdit>(QStringLiteral("NumEditSlope3"));
    slope->selectAll();
    QTest::keyClicks(slope, QStringLiteral("-2.5E-7"));
    EXPECT_EQ(window->model().slope(3), -2.5e-7);

    child<QRadioButton>(QStringLiteral("optCH3Poly"))->click();
    EXPECT_TRUE(settings.CalibrationMode[3]);
    EXPECT_TRUE(child<QFrame>(QStringLiteral("fraCH3SO"))->isHidden());
    EXPECT_FALSE(child<QFrame>(QStringLiteral("fraGhost3L"))->isHidden());
    EXPECT_TRUE(child<QFrame>(QStringLiteral("fraGhost3P"))->isHidden());

    // Order 3 on CH2: A3 editable and white, A4 locked and grey.
    child<QSpinBox>(QStringLiteral("NumEditCH2PolyOrder"))->setValue(3);
    auto* a3 = child<NumEdit>(QStringLiteral("NumEditCH2A3"));
    auto* a4 = child<NumEdit>(QStringLiteral("NumEditCH2A4"));
    EXPECT_FALSE(a3->isReadOnly());
    EXPECT_TRUE(a4->isReadOnly());
    EXPECT_EQ(a3->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(a4->palette().color(QPalette::Base), QColor(224, 224, 224));

    child<QRadioButton>(QStringLiteral("optSA1"))->click();
    child<QCheckBox>(QStringLiteral("chkGraphScale"))->click();
    EXPECT_TRUE(settings.GraphScale);
    QSignalSpy destroyed(window, &QObject::destroyed);
    window->findChild<QAction*>(QStringLiteral("mnuReturn"))->trigger();
    EXPECT_EQ(settings.Slope[3], -2.5e-7);
    EXPECT_EQ(settings.SamplesAveraged, 1);
    EXPECT_EQ(settings.Polynomial[2].PolyOrder, 3);
    EXPECT_TRUE(window->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(destroyed.count(), 1);  // discarded, so the next opening loads afresh
    window = nullptr;
}

// A tri-state box would go unticked -> grey -> ticked; grey belongs to settings no tick can
// show, so a click ticks, the next unticks, and a grey box ticks.
TEST_F(ConfigurationWindowTest, clickOnAChannelBox_ticksOrUnticksNeverGreys) {
    settings.ChannelActive[2] = 7;
    window->model().ShowSettings();
    auto* unticked = child<QCheckBox>(QStringLiteral("chkCH0"));
    auto* grey = child<QCheckBox>(QStringLiteral("chkCH2"));
    ASSERT_EQ(unticked->checkState(), Qt::Unchecked);
    ASSERT_EQ(grey->checkState(), Qt::PartiallyChecked);
    const auto click = [](QCheckBox* box) {
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect mark = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, mark.center());
    };
    for (QCheckBox* box : {unticked, grey}) {
        for (const Qt::CheckState expected : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
            click(box);
            EXPECT_EQ(box->checkState(), expected) << box->objectName().toStdString();
        }
    }
    window->findChild<QAction*>(QStringLiteral("mnuReturn"))->trigger();
    EXPECT_EQ(settings.ChannelActive[0], 1);
    EXPECT_EQ(settings.ChannelActive[2], 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window = nullptr;
}

// What a field shows is what a commit stores, however the value got there: here through the
// accessibility interface and plain setters, as assistive technology and input methods do.
TEST_F(ConfigurationWindowTest, fieldsChangedWithoutMouseOrKeys_areWhatSaveAsDefaultStores) {
    test::accessibleReplaceText(child<NumEdit>(QStringLiteral("NumEditSlope0")),
                                QStringLiteral("2.5"));
    test::accessibleReplaceText(child<QLineEdit>(QStringLiteral("txtUnit3")),
                                QStringLiteral("bar"));
    test::accessibleToggle(child<QCheckBox>(QStringLiteral("chkCH0")));  // unticked before
    test::accessibleToggle(child<QRadioButton>(QStringLiteral("optSA4")));
    test::accessibleToggle(child<QRadioButton>(QStringLiteral("optCH4Poly")));
    child<QCheckBox>(QStringLiteral("chkGraphScale"))->setChecked(true);
    child<QComboBox>(QStringLiteral("cboPeak6"))->setCurrentIndex(1);
    // Immediate choices are stored at once.
    EXPECT_TRUE(settings.CalibrationMode[4]);
    EXPECT_TRUE(settings.GraphScale);

    window->findChild<QAction*>(QStringLiteral("mnuSaveAsDefault"))->trigger();
    EXPECT_EQ(calls.last(), QStringLiteral("default slope0=2.5"));
    EXPECT_EQ(settings.Units[3], QStringLiteral("bar"));
    EXPECT_EQ(settings.ChannelActive[0], 1);
    EXPECT_EQ(settings.SamplesAveraged, 200);
    EXPECT_EQ(settings.PeakDisplay[6], 1);
}

TEST_F(ConfigurationDialogTest, returnInsideAWorkspace_closesItsSubwindow) {
    QMdiArea workspace;
    auto* window = new ConfigurationDialog(makeModel());
    QMdiSubWindow* sub = workspace.addSubWindow(window);
    workspace.show();
    sub->show();
    QSignalSpy gone(sub, &QObject::destroyed);
    window->findChild<QAction*>(QStringLiteral("mnuReturn"))->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(gone.count(), 1);
    EXPECT_TRUE(workspace.subWindowList().isEmpty());
}

}  // namespace
}  // namespace quorlin
