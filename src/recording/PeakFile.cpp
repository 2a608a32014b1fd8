#include "recording/PeakFile.h"

#include "common/AppError.h"
#include "common/ErrorHandler.h"
#include "common/NumberText.h"
#include "common/TextFile.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"

namespace quorlin {

PeakFile::PeakFile(const SettingsModel& settings, const AppFolders& folders, ErrorHandler& errors)
    : settings_(settings), folders_(folders), errors_(errors) {}

QStringList PeakFile::peakFileLines(const PerChannel<PeakEntry>& entries) const {
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
        const PeakEntry& entry = entries[c];
        lines << channelName(c) + u',' + entry.time + u',' + entry.value + u',' +
                     shortNumberText(entry.peakType);
    }
    return lines;
}

bool PeakFile::WritePeakFile(const PerChannel<PeakEntry>& entries) {
    try {
        writeFileTruncating(folders_.peakFile(), encodeLines(peakFileLines(entries)));
        return true;
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("WritePeakFile"),
                                   QStringLiteral("General"), e.description);
        return false;
    }
}

}  // namespace quorlin
