#include "history/HistoryRun.h"

#include <utility>

namespace dorvane {

HistoryRun::HistoryRun(HistoryStore* store, RunStart start, Failed failed)
    : m_store(store), m_start(std::move(start)), m_failed(std::move(failed)) {}

void HistoryRun::Check(const HistoryStatus& status) {
    if (status.Ok() || m_told) return;
    m_told = true;
    if (m_failed) m_failed(status);
}

bool HistoryRun::Begin() {
    if (m_tried || !m_store) return false;
    m_tried = true;
    Check(m_store->BeginRun(m_start, m_runId));
    return m_runId != 0;
}

void HistoryRun::Album(AlbumStart album) {
    if (m_runId == 0) return;
    album.site = m_start.site;
    Check(m_store->QueueAlbum(m_runId, album));
}

void HistoryRun::Count(bool stored, bool skipped) {
    ++(!stored ? m_counts.failed : skipped ? m_counts.skipped : m_counts.stored);
}

void HistoryRun::Image(ImageRecord image, const Text& file) {
    if (m_runId == 0) return;
    image.site = m_start.site;
    image.listing = m_start.listing;
    Check(m_store->QueueImage(m_runId, std::move(image), file));
}

void HistoryRun::End(RunOutcome outcome) {
    if (m_ended || m_runId == 0) return;
    m_ended = true;
    RunEnd end = m_counts;
    end.outcome = outcome;
    Check(m_store->EndRun(m_runId, end));
}

}  // namespace dorvane
