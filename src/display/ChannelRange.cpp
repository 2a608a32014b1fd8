#include "display/ChannelRange.h"

#include "common/NumberText.h"

#include <utility>
#include <vector>

namespace quorlin {

namespace {

struct RangeEntry {
    double value;
    qint16 channel;
};

// Swaps neighbours only when the first is strictly greater, so equal values keep
// ascending channel order: Low names the lowest-numbered, High the highest-numbered.
void bubbleSort(std::vector<RangeEntry>& list) {
    auto unsortedEnd = list.size();
    bool swapped = true;
    while (swapped && unsortedEnd > 1) {
        swapped = false;
        for (size_t i = 0; i + 1 < unsortedEnd; ++i) {
            if (list[i].value > list[i + 1].value) {
                std::swap(list[i], list[i + 1]);
                swapped = true;
            }
        }
        --unsortedEnd;
    }
}

}  // namespace

ChannelRange::ChannelRange(SettingsModel& settings, AcquisitionValues& values,
                           MainWindowModel& model)
    : settings_(settings), values_(values), model_(model) {}

void ChannelRange::UpdateChannelRangeVolts() {
    update(values_.ChannelVolts);
}

void ChannelRange::UpdateChannelRangeScale() {
    update(values_.ChannelScaled);
}

void ChannelRange::update(const PerChannel<double>& channelValues) {
    std::vector<RangeEntry> list;
    list.reserve(kChannelCount);
    for (int k = 0; k < kChannelCount; ++k) {
        if (settings_.ChannelActive[k] == 1) {
            list.push_back({channelValues[k], static_cast<qint16>(k)});
        }
    }
    if (list.empty()) {
        return;
    }
    bubbleSort(list);
    const RangeEntry& lo = list.front();
    const RangeEntry& hi = list.back();
    model_.setLoText(displayNumberText(lo.value));
    model_.setLoLabel(channelName(lo.channel));
    model_.setHiText(displayNumberText(hi.value));
    model_.setHiLabel(channelName(hi.channel));
    model_.setDiffText(displayNumberText(hi.value - lo.value));
}

void ChannelRange::ClearChannelRange() {
    model_.setHiText(QString());
    model_.setLoText(QString());
    model_.setDiffText(QString());
    model_.setHiLabel(QStringLiteral("High"));
    model_.setLoLabel(QStringLiteral("Low"));
}

void ChannelRange::mnuChannelRangeVolts_Click() {
    click(Mode::Volts);
}

void ChannelRange::mnuChannelRangeScale_Click() {
    click(Mode::Scale);
}

void ChannelRange::click(Mode clicked) {
    ClearChannelRange();
    mode_ = mode_ == clicked ? Mode::None : clicked;
    model_.mnuChannelRangeVolts->setChecked(mode_ == Mode::Volts);
    model_.mnuChannelRangeScale->setChecked(mode_ == Mode::Scale);
    model_.setReadoutVisible(mode_ != Mode::None);
}

}  // namespace quorlin
