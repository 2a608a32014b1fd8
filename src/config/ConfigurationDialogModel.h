#pragma once

#include "common/Channel.h"
#include "common/Colour.h"
#include "config/SettingsModel.h"
#include "platform/MessageBox.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QAction;

namespace quorlin {

// What the dialog's File menu calls on the rest of the system.
struct ConfigurationDialogHooks {
    std::function<QString()> OpenConfigurationFile;  // operator picks a file, read into the model
    std::function<QString()> SaveConfigurationFile;  // operator picks a file, model written
    std::function<void()> WriteToDefaultConfigFile;
    std::function<void()> ApplyColors;    // model colours onto the chart and channel boxes
    std::function<void()> CaptureColors;  // colours of the display into the model
};

// Which field of the dialog changed (fieldChanged); channel and index where they apply.
enum class ConfigField {
    GraphMethod,
    SamplesAveraged,
    UpperBound,
    LowerBound,
    GraphScale,
    WriteFileMethod,
    Slope,
    Offset,
    Units,
    PeakItems,
    PeakIndex,
    Active,
    PolyOrder,
    Coefficient,      // index = 0..10
    CoefficientLook,  // background and editable state of coefficient index
    Calibration,      // Linear/Polynomial choice and the four groups' visibility
};

// The presentation model of the Configuration window. Between a load and a commit the
// edited values live here, as the window's fields would hold them; the settings change only
// on commit, except the Linear/Polynomial choices and "Graph Scale?", which store at once.
//
// A setting none of the choices can show (a PeakDisplay of 7, SamplesAveraged 50, an unknown
// GraphMethod, ChannelActive 2) loads as "no selection" (the greyed state for the check
// box), and a commit then leaves that setting as it is: opening and returning without edits
// never rewrites a setting.
class ConfigurationDialogModel : public QObject {
    Q_OBJECT
  public:
    static constexpr int kNoChoice = -1;
    static constexpr ColourValue kEditableColour = 0xFFFFFF;
    static constexpr ColourValue kLockedColour = 0xE0E0E0;
    static constexpr qint16 kMinOrder = 1;
    static constexpr qint16 kMaxOrder = 10;
    static constexpr std::array<qint16, 4> kSamplesChoices{1, 10, 100, 200};  // optSA1..4
    static const QStringList& graphMethodWords();  // "Continuous", "AutoScale"
    static const QStringList& saveMethodWords();   // "Volts", "Scale"
    static const QStringList& peakWords();         // "None", "Min", "Max"

    ConfigurationDialogModel(SettingsModel& settings, MessageBox& box,
                             ConfigurationDialogHooks hooks, QObject* parent = nullptr);

    // Opening the window stops a running sampling first, as the Sample command would.
    static void StopSamplingFirst(const QAction& mnuSample,
                                  const std::function<void()>& mnuSample_Click);

    // When the window is created.
    void Load();
    void FillPeakLists();
    void ShowSettings();
    void CommitSettings();
    void EnableCoefficientFields(int channel, qint16 order);

    // Other Settings.
    int graphMethodChoice() const { return graphMethod_; }  // kNoChoice, 0, 1
    void setGraphMethodChoice(int choice);
    int samplesAveragedChoice() const { return samplesAveraged_; }  // kNoChoice, 0..3
    void setSamplesAveragedChoice(int choice);
    int saveMethodChoice() const { return saveMethod_; }  // kNoChoice, 0 Volts, 1 Scale
    void setSaveMethodChoice(int choice);
    double upperBound() const { return upper_; }
    void setUpperBound(double value);
    double lowerBound() const { return lower_; }
    void setLowerBound(double value);
    Qt::CheckState graphScaleState() const { return graphScale_; }
    void chkGraphScale_Click(Qt::CheckState state);

    // Channel rows.
    double slope(int channel) const { return rows_[channel].slope; }
    void setSlope(int channel, double value);
    double offset(int channel) const { return rows_[channel].offset; }
    void setOffset(int channel, double value);
    const QString& units(int channel) const { return rows_[channel].units; }
    void setUnits(int channel, const QString& text);
    const QStringList& peakItems(int channel) const { return rows_[channel].peakItems; }
    int peakIndex(int channel) const { return rows_[channel].peakIndex; }  // kNoChoice, 0..2
    void setPeakIndex(int channel, int index);
    Qt::CheckState active(int channel) const { return rows_[channel].active; }
    void setActive(int channel, Qt::CheckState state);
    qint16 polyOrder(int channel) const { return rows_[channel].order; }
    void setPolyOrder(int channel, qint16 order);  // runs EnableCoefficientFields on a change
    double coefficient(int channel, int index) const;
    void setCoefficient(int channel, int index, double value);
    bool coefficientEditable(int channel, int index) const;
    ColourValue coefficientBackground(int channel, int index) const;

    bool polynomialSelected(int channel) const { return rows_[channel].polynomial; }
    void optLinear_Click(int channel);
    void optPoly_Click(int channel);
    bool slopeOffsetVisible(int channel) const { return !rows_[channel].polynomial; }  // fraCHnSO
    bool polynomialVisible(int channel) const { return rows_[channel].polynomial; }    // fraCHnPoly
    bool ghostPVisible(int channel) const { return !rows_[channel].polynomial; }       // fraGhostnP
    bool ghostLVisible(int channel) const { return rows_[channel].polynomial; }        // fraGhostnL

    // File menu.
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAsDefault_Click();
    void mnuReturn_Click();

  signals:
    void fieldChanged(quorlin::ConfigField field, int channel, int index);
    void closeRequested();

  private:
    struct CoefficientField {
        double value = 0;
        bool editable = true;
        ColourValue background = kEditableColour;
    };
    struct Row {
        double slope = 0;
        double offset = 0;
        QString units = QStringLiteral("Units");
        QStringList peakItems;
        int peakIndex = kNoChoice;
        Qt::CheckState active = Qt::Unchecked;
        qint16 order = kMinOrder;
        std::array<CoefficientField, kPolyCoeffCount> coefficients{};
        bool polynomial = false;
    };

    void setCalibration(int channel, bool polynomial);
    void runMenuCommand(const std::function<void()>& steps);
    static void call(const std::function<void()>& hook);

    SettingsModel& settings_;
    MessageBox& box_;
    ConfigurationDialogHooks hooks_;

    int graphMethod_ = kNoChoice;
    int samplesAveraged_ = kNoChoice;
    int saveMethod_ = kNoChoice;
    double upper_ = 0;
    double lower_ = 0;
    Qt::CheckState graphScale_ = Qt::Unchecked;
    PerChannel<Row> rows_;
};

}  // namespace quorlin
