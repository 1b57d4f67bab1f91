#pragma once
// One collection run as it goes into the history: begun once, its albums and images queued, its images
// counted, ended once. A failure of the history is told once and costs the collection nothing; without a
// store nothing is recorded. Not guarded: a run reported from several threads is locked by its owner.
#include <functional>

#include "history/HistoryStore.h"

namespace dorvane {

class HistoryRun {
public:
    using Failed = std::function<void(const HistoryStatus& status)>;

    // `start` names the site and the listing every row of the run carries.
    HistoryRun(HistoryStore* store, RunStart start, Failed failed);

    // Begins the run the first time it is called: true then, when the run could begin.
    bool Begin();
    // The album's site is the run's.
    void Album(AlbumStart album);
    void Count(bool stored, bool skipped);
    // An image whose file (GBK path) stands whole; its site and listing are the run's.
    void Image(ImageRecord image, const Text& file);
    // Ends the run so the first time it is called, once it began.
    void End(RunOutcome outcome);

private:
    void Check(const HistoryStatus& status);

    HistoryStore* const m_store;
    const RunStart m_start;
    const Failed m_failed;
    long long m_runId = 0;
    bool m_tried = false;
    bool m_ended = false;
    bool m_told = false;
    RunEnd m_counts;
};

}  // namespace dorvane
