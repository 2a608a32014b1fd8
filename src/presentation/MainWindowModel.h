#pragma once

#include "common/Channel.h"
#include "common/Colour.h"

#include <QAction>
#include <QObject>
#include <QString>

#include <initializer_list>

namespace quorlin {

// What one channel row of the main window shows.
struct ChannelRowState {
    QString voltsText = QStringLiteral("0");       // txtCHk
    QString unitText = QStringLiteral("Volts");    // lblCHk
    QString scaledText = QStringLiteral("0");      // txtScaleCHk
    QString peakText = QStringLiteral("0");        // txtPeakCHk
    QString peakTimeText;                          // txtTimeCHk
    QString tareCaption = QStringLiteral("Tare");  // cmdTarek
    bool checked = false;                          // chkCHk
    bool checkEnabled = true;
    bool frameVisible = true;  // fraCHk
    ColourValue colour = 0;    // background of the volts, scaled and peak boxes
};

enum class RowField {
    VoltsText,
    UnitText,
    ScaledText,
    PeakText,
    PeakTimeText,
    TareCaption,
    Checked,
    CheckEnabled,
    FrameVisible,
    Colour
};

enum class ReadoutField { HiLabel, HiText, LoLabel, LoText, DiffText, Visible };

// The presentation model of the main window: every text, tick, caption, colour, check mark,
// enabled and visible state it shows. Logic writes here; the window mirrors it and forwards
// the operator's clicks. Setting a value to what it already holds changes nothing and
// signals nothing, so change handlers chain exactly as the boxes' change events would.
class MainWindowModel : public QObject {
    Q_OBJECT
  public:
    explicit MainWindowModel(QObject* parent = nullptr);

    const ChannelRowState& row(int channel) const { return rows_[channel]; }
    void setVoltsText(int channel, const QString& text);
    void setUnitText(int channel, const QString& text);
    void setScaledText(int channel, const QString& text);
    void setPeakText(int channel, const QString& text);
    void setPeakTimeText(int channel, const QString& text);
    void setTareCaption(int channel, const QString& caption);
    void setChecked(int channel, bool checked);
    void setCheckEnabled(int channel, bool enabled);
    void setFrameVisible(int channel, bool visible);
    void setColour(int channel, ColourValue colour);

    // "Channels 0-3" (group 0) and "Channels 4-7" (group 1).
    bool groupVisible(int group) const { return groupVisible_[group]; }
    void setGroupVisible(int group, bool visible);

    const QString& fileLabel() const { return fileLabel_; }  // lblFile
    void setFileLabel(const QString& text);

    // Shown while the board does not answer; empty otherwise.
    const QString& boardStatus() const { return boardStatus_; }
    void setBoardStatus(const QString& text);

    // Shown while a Samples Averaged chosen during a run waits to be sent; empty otherwise.
    const QString& averagingNotice() const { return averagingNotice_; }
    void setAveragingNotice(const QString& text);
    // The run-health line under the chart; empty before the first run.
    const QString& runStatus() const { return runStatus_; }
    void setRunStatus(const QString& text);

    // Channel Range readout (fraHiLo).
    const QString& hiLabel() const { return hiLabel_; }
    const QString& hiText() const { return hiText_; }
    const QString& loLabel() const { return loLabel_; }
    const QString& loText() const { return loText_; }
    const QString& diffText() const { return diffText_; }
    bool readoutVisible() const { return readoutVisible_; }
    void setHiLabel(const QString& t);
    void setHiText(const QString& t);
    void setLoLabel(const QString& t);
    void setLoText(const QString& t);
    void setDiffText(const QString& t);
    void setReadoutVisible(bool visible);

    // Menu commands: captions, check marks, enabled and visible states. Menus are actions too
    // (mnuFile, mnuTools, mnuHelp), so their enabled state lives here as well.
    QAction* const mnuFile;
    QAction* const mnuSave;
    QAction* const mnuSample;
    QAction* const mnuExit;
    QAction* const mnuOpenDataFile;
    QAction* const mnuExportChart;
    QAction* const mnuTools;
    QAction* const mnuCommPort;
    QAction* const mnuConfiguration;
    QAction* const mnuPeakOn;
    QAction* const mnuSetDataInterval;
    QAction* const mnuSwapColor;
    QAction* const mnuChannelRangeVolts;
    QAction* const mnuChannelRangeScale;
    QAction* const mnuMqttPublishing;
    QAction* const mnuHelp;
    QAction* const mnuHelpHelp;
    QAction* const mnuAbout;

  signals:
    void rowChanged(int channel, quorlin::RowField field);
    void groupVisibleChanged(int group);
    void fileLabelChanged();
    void boardStatusChanged();
    void averagingNoticeChanged();
    void runStatusChanged();
    void readoutChanged(quorlin::ReadoutField field);

  private:
    QAction* makeAction(const char* name, const QString& caption, bool checkable);
    // The items take the menu's enabled state whenever it changes.
    void followMenu(QAction* menu, std::initializer_list<QAction*> items);

    PerChannel<ChannelRowState> rows_;
    bool groupVisible_[2] = {true, true};
    QString fileLabel_ = QStringLiteral("No data file in use.");
    QString boardStatus_;
    QString averagingNotice_;
    QString runStatus_;
    QString hiLabel_ = QStringLiteral("High");
    QString hiText_;
    QString loLabel_ = QStringLiteral("Low");
    QString loText_;
    QString diffText_;
    bool readoutVisible_ = false;
};

}  // namespace quorlin
