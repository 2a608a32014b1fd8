#include "recording/PeakFile.h"

#include "common/AppError.h"
#include "common/ErrorHandler.h"
#include "common/NumberText.h"
#include "common/TextFile.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "presentation/MainWindowModel.h"

namespace quorlin {

PeakFile::PeakFile(const SettingsModel& settings, const MainWindowModel& window,
                   const AppFolders& folders, ErrorHandler& errors)
    : settings_(settings), window_(window), folders_(folders), errors_(errors) {}

QStringList PeakFile::peakFileLines() const {
    QStringList lines{
        QStringLiteral("Kestova Quorlin"),
        QStringLiteral("Data Acquisition and Display Software File Version ") +
            settings_.VersionText,
        QStringLiteral("PEAK FILE"),
        QString(),
        QStringLiteral("Channel,Time,Scaled Value,Peak Type"),
        QStringLiteral(",,,(0=None 1=Min 2=Max)"),
    };
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelRowState& row = window_.row(c);
        lines << channelName(c) + u',' + row.peakTimeText + u',' + row.peakText + u',' +
                     shortNumberText(settings_.PeakDisplay[c]);
    }
    return lines;
}

void PeakFile::WritePeakFile() {
    try {
        writeFileTruncating(folders_.peakFile(), encodeLines(peakFileLines()));
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("WritePeakFile"),
                                   QStringLiteral("General"), e.description);
    }
}

}  // namespace quorlin
