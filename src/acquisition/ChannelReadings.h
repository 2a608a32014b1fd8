#pragma once

#include "common/Channel.h"
#include "presentation/MainWindowModel.h"

#include <QObject>
#include <QString>

namespace quorlin {

// What acquisition knows of one channel: the texts of its boxes as the conversion computes
// them, the tare caption, and whether the channel is ticked for this run.
struct ChannelReading {
    QString voltsText = QStringLiteral("0");
    QString scaledText = QStringLiteral("0");
    QString peakText = QStringLiteral("0");
    QString peakTimeText;
    QString tareCaption = QStringLiteral("Tare");
    bool checked = false;
};

// The acquisition's own per-channel state, owned by the thread that samples. The conversion
// computes from these texts exactly as the window's boxes would hold them, so recorded values
// do not change with where the work runs. As in the window's model, setting a value to what it
// holds signals nothing, so the change handlers (volts -> scaled -> peak) chain as before.
class ChannelReadings : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    const ChannelReading& row(int channel) const { return rows_[channel]; }
    void setVoltsText(int channel, const QString& text);
    void setScaledText(int channel, const QString& text);
    void setPeakText(int channel, const QString& text);
    void setPeakTimeText(int channel, const QString& text);
    void setTareCaption(int channel, const QString& caption);
    void setChecked(int channel, bool checked);

    // Shown while the board does not answer or is lost; empty otherwise.
    const QString& boardStatus() const { return boardStatus_; }
    void setBoardStatus(const QString& text);

  signals:
    void rowChanged(int channel, quorlin::RowField field);
    void boardStatusChanged(const QString& text);

  private:
    PerChannel<ChannelReading> rows_;
    QString boardStatus_;
};

}  // namespace quorlin
