#include "presentation/MainWindowModel.h"
#include "common/Assign.h"

namespace quorlin {

MainWindowModel::MainWindowModel(QObject* parent)
    : QObject(parent),
      mnuFile(makeAction("mnuFile", QStringLiteral("&File"), false)),
      mnuSave(makeAction("mnuSave", QStringLiteral("&Save"), true)),
      mnuSample(makeAction("mnuSample", QStringLiteral("Sam&ple"), true)),
      mnuExit(makeAction("mnuExit", QStringLiteral("E&xit"), false)),
      mnuOpenDataFile(makeAction("mnuOpenDataFile", QStringLiteral("&Open Data File..."), false)),
      mnuExportChart(makeAction("mnuExportChart", QStringLiteral("&Export Chart..."), false)),
      mnuTools(makeAction("mnuTools", QStringLiteral("&Tools"), false)),
      mnuCommPort(makeAction("mnuCommPort", QStringLiteral("&Comm Port"), false)),
      mnuConfiguration(makeAction("mnuConfiguration", QStringLiteral("Con&figuration"), false)),
      mnuPeakOn(makeAction("mnuPeakOn", QStringLiteral("Peak &On"), true)),
      mnuSetDataInterval(
          makeAction("mnuSetDataInterval", QStringLiteral("&Set Data Interval"), false)),
      mnuSwapColor(makeAction("mnuSwapColor", QStringLiteral("Swap Co&lor"), false)),
      mnuChannelRangeVolts(
          makeAction("mnuChannelRangeVolts", QStringLiteral("Channel Range &Volts"), true)),
      mnuChannelRangeScale(
          makeAction("mnuChannelRangeScale", QStringLiteral("Channel Range Scal&e"), true)),
      mnuMqttPublishing(
          makeAction("mnuMqttPublishing", QStringLiteral("&MQTT Publishing..."), false)),
      mnuHelp(makeAction("mnuHelp", QStringLiteral("&Help"), false)),
      mnuHelpHelp(makeAction("mnuHelpHelp", QStringLiteral("&Help"), false)),
      mnuAbout(makeAction("mnuAbout", QStringLiteral("&About"), false)) {
    // The Channel Range items are hidden at every start (Ctrl+F8 shows them).
    mnuChannelRangeVolts->setVisible(false);
    mnuChannelRangeScale->setVisible(false);
    // A disabled menu hides its items from the mouse only: keyboard shortcuts, the
    // accessibility interface and trigger() still reach an enabled item.
    followMenu(mnuTools,
               {mnuCommPort, mnuConfiguration, mnuPeakOn, mnuSetDataInterval, mnuSwapColor,
                mnuChannelRangeVolts, mnuChannelRangeScale, mnuMqttPublishing});
    followMenu(mnuHelp, {mnuHelpHelp, mnuAbout});
}

void MainWindowModel::followMenu(QAction* menu, std::initializer_list<QAction*> items) {
    const QList<QAction*> list(items);
    connect(menu, &QAction::enabledChanged, this, [list](bool enabled) {
        for (QAction* item : list) {
            item->setEnabled(enabled);
        }
    });
}

QAction* MainWindowModel::makeAction(const char* name, const QString& caption, bool checkable) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(checkable);
    return action;
}

#define QUORLIN_ROW_SETTER(Name, member, Field, Type)        \
    void MainWindowModel::Name(int channel, Type value) {    \
        if (assignIfChanged(rows_[channel].member, value)) { \
            emit rowChanged(channel, RowField::Field);       \
        }                                                    \
    }

QUORLIN_ROW_SETTER(setVoltsText, voltsText, VoltsText, const QString&)
QUORLIN_ROW_SETTER(setUnitText, unitText, UnitText, const QString&)
QUORLIN_ROW_SETTER(setScaledText, scaledText, ScaledText, const QString&)
QUORLIN_ROW_SETTER(setPeakText, peakText, PeakText, const QString&)
QUORLIN_ROW_SETTER(setPeakTimeText, peakTimeText, PeakTimeText, const QString&)
QUORLIN_ROW_SETTER(setTareCaption, tareCaption, TareCaption, const QString&)
QUORLIN_ROW_SETTER(setChecked, checked, Checked, bool)
QUORLIN_ROW_SETTER(setCheckEnabled, checkEnabled, CheckEnabled, bool)
QUORLIN_ROW_SETTER(setFrameVisible, frameVisible, FrameVisible, bool)
QUORLIN_ROW_SETTER(setColour, colour, Colour, ColourValue)
#undef QUORLIN_ROW_SETTER

void MainWindowModel::setGroupVisible(int group, bool visible) {
    if (assignIfChanged(groupVisible_[group], visible)) {
        emit groupVisibleChanged(group);
    }
}

void MainWindowModel::setFileLabel(const QString& text) {
    if (assignIfChanged(fileLabel_, text)) {
        emit fileLabelChanged();
    }
}

void MainWindowModel::setBoardStatus(const QString& text) {
    if (assignIfChanged(boardStatus_, text)) {
        emit boardStatusChanged();
    }
}

void MainWindowModel::setAveragingNotice(const QString& text) {
    if (assignIfChanged(averagingNotice_, text)) {
        emit averagingNoticeChanged();
    }
}

void MainWindowModel::setRunStatus(const QString& text) {
    if (assignIfChanged(runStatus_, text)) {
        emit runStatusChanged();
    }
}

#define QUORLIN_READOUT_SETTER(Name, member, Field, Type) \
    void MainWindowModel::Name(Type value) {              \
        if (assignIfChanged(member, value)) {             \
            emit readoutChanged(ReadoutField::Field);     \
        }                                                 \
    }

QUORLIN_READOUT_SETTER(setHiLabel, hiLabel_, HiLabel, const QString&)
QUORLIN_READOUT_SETTER(setHiText, hiText_, HiText, const QString&)
QUORLIN_READOUT_SETTER(setLoLabel, loLabel_, LoLabel, const QString&)
QUORLIN_READOUT_SETTER(setLoText, loText_, LoText, const QString&)
QUORLIN_READOUT_SETTER(setDiffText, diffText_, DiffText, const QString&)
QUORLIN_READOUT_SETTER(setReadoutVisible, readoutVisible_, Visible, bool)
#undef QUORLIN_READOUT_SETTER

}  // namespace quorlin
