#include "config/ConfigurationDialogModel.h"

#include "common/AppError.h"
#include "common/Assign.h"

#include <QAction>

namespace quorlin {

namespace {

int choiceOf(const QStringList& words, const QString& value) {
    const int index = words.indexOf(value);  // exact, case included
    return index < 0 ? ConfigurationDialogModel::kNoChoice : index;
}

}  // namespace

const QStringList& ConfigurationDialogModel::graphMethodWords() {
    static const QStringList words{QStringLiteral("Continuous"), QStringLiteral("AutoScale")};
    return words;
}

const QStringList& ConfigurationDialogModel::saveMethodWords() {
    static const QStringList words{QStringLiteral("Volts"), QStringLiteral("Scale")};
    return words;
}

const QStringList& ConfigurationDialogModel::peakWords() {
    static const QStringList words{QStringLiteral("None"), QStringLiteral("Min"),
                                   QStringLiteral("Max")};
    return words;
}

ConfigurationDialogModel::ConfigurationDialogModel(SettingsModel& settings, MessageBox& box,
                                                   ConfigurationDialogHooks hooks, QObject* parent)
    : QObject(parent), settings_(settings), box_(box), hooks_(std::move(hooks)) {}

void ConfigurationDialogModel::StopSamplingFirst(const QAction& mnuSample,
                                                 const std::function<void()>& mnuSample_Click) {
    if (mnuSample.isChecked() && mnuSample_Click) {
        mnuSample_Click();
    }
}

void ConfigurationDialogModel::Load() {
    FillPeakLists();
    ShowSettings();
    // (The coefficient headings are the window's own presentation.)
    if (settings_.GraphScale) {
        chkGraphScale_Click(Qt::Checked);
    } else {
        chkGraphScale_Click(Qt::Unchecked);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EnableCoefficientFields(ch, rows_[ch].order);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setCalibration(ch, settings_.CalibrationMode[ch]);
    }
}

void ConfigurationDialogModel::FillPeakLists() {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        rows_[ch].peakItems.append(peakWords());
        emit fieldChanged(ConfigField::PeakItems, ch, 0);
        setPeakIndex(ch, 0);
    }
}

void ConfigurationDialogModel::ShowSettings() {
    const SettingsModel& s = settings_;
    setGraphMethodChoice(choiceOf(graphMethodWords(), s.GraphMethod));
    int samples = kNoChoice;
    for (int i = 0; i < static_cast<int>(kSamplesChoices.size()); ++i) {
        if (kSamplesChoices[i] == s.SamplesAveraged) {
            samples = i;
        }
    }
    setSamplesAveragedChoice(samples);
    setUpperBound(s.YAxisUpper);
    setLowerBound(s.YAxisLower);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setSlope(ch, s.Slope[ch]);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setOffset(ch, s.Offset[ch]);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setUnits(ch, s.Units[ch]);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const qint16 peak = s.PeakDisplay[ch];
        setPeakIndex(ch, peak >= 0 && peak < peakWords().size() ? peak : kNoChoice);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        switch (s.ChannelActive[ch]) {
            case 1:
                setActive(ch, Qt::Checked);
                break;
            case 0:
                setActive(ch, Qt::Unchecked);
                break;
            default:  // no tick state stands for it: greyed, and kept by a commit
                setActive(ch, Qt::PartiallyChecked);
                break;
        }
    }
    setSaveMethodChoice(choiceOf(saveMethodWords(), s.WriteFileMethod));
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setPolyOrder(ch, s.Polynomial[ch].PolyOrder);
        for (int i = 0; i < kPolyCoeffCount; ++i) {
            setCoefficient(ch, i, s.Polynomial[ch].PolyCoeff[i]);
        }
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setCalibration(ch, s.CalibrationMode[ch]);
    }
}

void ConfigurationDialogModel::CommitSettings() {
    SettingsModel& s = settings_;
    if (graphMethod_ != kNoChoice) {
        s.GraphMethod = graphMethodWords()[graphMethod_];
    }
    if (samplesAveraged_ != kNoChoice) {
        s.SamplesAveraged = kSamplesChoices[samplesAveraged_];
    }
    s.YAxisUpper = upper_;
    s.YAxisLower = lower_;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        s.Slope[ch] = rows_[ch].slope;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        s.Offset[ch] = rows_[ch].offset;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        s.Units[ch] = rows_[ch].units;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (rows_[ch].peakIndex != kNoChoice) {
            s.PeakDisplay[ch] = static_cast<qint16>(rows_[ch].peakIndex);
        }
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (rows_[ch].active == Qt::Checked) {
            s.ChannelActive[ch] = 1;
        } else if (rows_[ch].active == Qt::Unchecked) {
            s.ChannelActive[ch] = 0;
        }
    }
    if (saveMethod_ != kNoChoice) {
        s.WriteFileMethod = saveMethodWords()[saveMethod_];
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        s.Polynomial[ch].PolyOrder = rows_[ch].order;
        for (int i = 0; i < kPolyCoeffCount; ++i) {
            s.Polynomial[ch].PolyCoeff[i] = rows_[ch].coefficients[i].value;
        }
    }
}

void ConfigurationDialogModel::EnableCoefficientFields(int channel, qint16 order) {
    if (order < kMinOrder || order > kMaxOrder) {
        return;  // the fields keep whatever state they had
    }
    for (int i = 0; i < kPolyCoeffCount; ++i) {
        CoefficientField& field = rows_[channel].coefficients[i];
        const bool editable = i <= order;
        bool changed =
            assignIfChanged(field.background, editable ? kEditableColour : kLockedColour);
        changed = assignIfChanged(field.editable, editable) || changed;
        if (changed) {
            emit fieldChanged(ConfigField::CoefficientLook, channel, i);
        }
    }
}

void ConfigurationDialogModel::setGraphMethodChoice(int choice) {
    if (assignIfChanged(graphMethod_, choice)) {
        emit fieldChanged(ConfigField::GraphMethod, 0, 0);
    }
}

void ConfigurationDialogModel::setSamplesAveragedChoice(int choice) {
    if (assignIfChanged(samplesAveraged_, choice)) {
        emit fieldChanged(ConfigField::SamplesAveraged, 0, 0);
    }
}

void ConfigurationDialogModel::setSaveMethodChoice(int choice) {
    if (assignIfChanged(saveMethod_, choice)) {
        emit fieldChanged(ConfigField::WriteFileMethod, 0, 0);
    }
}

void ConfigurationDialogModel::setUpperBound(double value) {
    if (assignIfChanged(upper_, value)) {
        emit fieldChanged(ConfigField::UpperBound, 0, 0);
    }
}

void ConfigurationDialogModel::setLowerBound(double value) {
    if (assignIfChanged(lower_, value)) {
        emit fieldChanged(ConfigField::LowerBound, 0, 0);
    }
}

void ConfigurationDialogModel::chkGraphScale_Click(Qt::CheckState state) {
    if (assignIfChanged(graphScale_, state)) {
        emit fieldChanged(ConfigField::GraphScale, 0, 0);
    }
    if (state == Qt::Checked) {
        settings_.GraphScale = true;
    } else if (state == Qt::Unchecked) {
        settings_.GraphScale = false;
    }
}

void ConfigurationDialogModel::setSlope(int channel, double value) {
    if (assignIfChanged(rows_[channel].slope, value)) {
        emit fieldChanged(ConfigField::Slope, channel, 0);
    }
}

void ConfigurationDialogModel::setOffset(int channel, double value) {
    if (assignIfChanged(rows_[channel].offset, value)) {
        emit fieldChanged(ConfigField::Offset, channel, 0);
    }
}

void ConfigurationDialogModel::setUnits(int channel, const QString& text) {
    if (assignIfChanged(rows_[channel].units, text)) {
        emit fieldChanged(ConfigField::Units, channel, 0);
    }
}

void ConfigurationDialogModel::setPeakIndex(int channel, int index) {
    if (index < kNoChoice || index >= rows_[channel].peakItems.size()) {
        index = kNoChoice;
    }
    if (assignIfChanged(rows_[channel].peakIndex, index)) {
        emit fieldChanged(ConfigField::PeakIndex, channel, 0);
    }
}

void ConfigurationDialogModel::setActive(int channel, Qt::CheckState state) {
    if (assignIfChanged(rows_[channel].active, state)) {
        emit fieldChanged(ConfigField::Active, channel, 0);
    }
}

void ConfigurationDialogModel::setPolyOrder(int channel, qint16 order) {
    if (assignIfChanged(rows_[channel].order, order)) {
        emit fieldChanged(ConfigField::PolyOrder, channel, 0);
        EnableCoefficientFields(channel, order);
    }
}

double ConfigurationDialogModel::coefficient(int channel, int index) const {
    return rows_[channel].coefficients[index].value;
}

void ConfigurationDialogModel::setCoefficient(int channel, int index, double value) {
    if (assignIfChanged(rows_[channel].coefficients[index].value, value)) {
        emit fieldChanged(ConfigField::Coefficient, channel, index);
    }
}

bool ConfigurationDialogModel::coefficientEditable(int channel, int index) const {
    return rows_[channel].coefficients[index].editable;
}

ColourValue ConfigurationDialogModel::coefficientBackground(int channel, int index) const {
    return rows_[channel].coefficients[index].background;
}

void ConfigurationDialogModel::optLinear_Click(int channel) {
    setCalibration(channel, false);
}

void ConfigurationDialogModel::optPoly_Click(int channel) {
    setCalibration(channel, true);
}

// Selects the option, shows its group and placeholder, and stores the choice at once.
void ConfigurationDialogModel::setCalibration(int channel, bool polynomial) {
    if (assignIfChanged(rows_[channel].polynomial, polynomial)) {
        emit fieldChanged(ConfigField::Calibration, channel, 0);
    }
    settings_.CalibrationMode[channel] = polynomial;
}

void ConfigurationDialogModel::mnuOpen_Click() {
    runMenuCommand([this] {
        if (hooks_.OpenConfigurationFile) {
            hooks_.OpenConfigurationFile();
        }
        // Also after a cancelled or failed Open: the fields show the model as it now is.
        ShowSettings();
        call(hooks_.ApplyColors);
    });
}

void ConfigurationDialogModel::mnuSave_Click() {
    runMenuCommand([this] {
        call(hooks_.CaptureColors);
        CommitSettings();
        if (hooks_.SaveConfigurationFile) {
            hooks_.SaveConfigurationFile();
        }
    });
}

void ConfigurationDialogModel::mnuSaveAsDefault_Click() {
    runMenuCommand([this] {
        call(hooks_.CaptureColors);
        CommitSettings();
        call(hooks_.WriteToDefaultConfigFile);
    });
}

void ConfigurationDialogModel::mnuReturn_Click() {
    runMenuCommand([this] {
        CommitSettings();
        emit closeRequested();
    });
}

// The file routines report their own failures; anything that still escapes them is shown
// here rather than left to unwind through the event loop.
void ConfigurationDialogModel::runMenuCommand(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const AppError& e) {
        box_.showOk(QStringLiteral("Error %1: %2").arg(e.number).arg(e.description));
    }
}

void ConfigurationDialogModel::call(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

}  // namespace quorlin
