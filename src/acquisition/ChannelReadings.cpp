#include "acquisition/ChannelReadings.h"

#include "common/Assign.h"

namespace quorlin {

#define QUORLIN_READING_SETTER(Name, member, Field, Type)    \
    void ChannelReadings::Name(int channel, Type value) {    \
        if (assignIfChanged(rows_[channel].member, value)) { \
            emit rowChanged(channel, RowField::Field);       \
        }                                                    \
    }

QUORLIN_READING_SETTER(setVoltsText, voltsText, VoltsText, const QString&)
QUORLIN_READING_SETTER(setScaledText, scaledText, ScaledText, const QString&)
QUORLIN_READING_SETTER(setPeakText, peakText, PeakText, const QString&)
QUORLIN_READING_SETTER(setPeakTimeText, peakTimeText, PeakTimeText, const QString&)
QUORLIN_READING_SETTER(setTareCaption, tareCaption, TareCaption, const QString&)
QUORLIN_READING_SETTER(setChecked, checked, Checked, bool)
#undef QUORLIN_READING_SETTER

void ChannelReadings::setBoardStatus(const QString& text) {
    if (assignIfChanged(boardStatus_, text)) {
        emit boardStatusChanged(boardStatus_);
    }
}

}  // namespace quorlin
