#pragma once
// A collection's progress on a terminal: a live one-line bar (album i of N, image j of M, bytes, rate,
// the album's title), one line per album where standard error is not a terminal, or nothing at all. Every
// failed image gets a line with its address and reason in each style, and an image whose folder cannot
// take any more files a last line saying so. The engine's events arrive on its worker; the totals are
// read once that worker has ended.
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "collectors/CollectionEngine.h"

namespace dorvane {

enum class ProgressStyle { Bar, Lines, Quiet };

// "0 B", "999 B", "1.0 KB", "12.5 MB": bytes in units of 1024.
std::string ByteCount(long long bytes);
// The first characters of a UTF-8 text that fit the columns (East Asian characters take two), with "…"
// where it was cut; the whole text when it fits.
std::string FitColumns(const std::string& utf8, int columns);

class TerminalProgress : public CollectionEvents {
public:
    // `columns`: the terminal's width for the bar (0: no limit). `seconds`: a steady clock in seconds.
    TerminalProgress(std::FILE* out, ProgressStyle style, int columns = 0, std::function<double()> seconds = {});

    void CollectionBegun(int albumCount) override;
    void AlbumBegun(int album, int albumCount, const AlbumWork& work) override;
    void AlbumOpened(int album, const AlbumPlan& plan) override;
    void ImageNumbered(int image, int imageCount, const ImageWork& work) override;
    void ImageDone(const ImageReport& report) override;

    // After the run: ends the bar's line and, unless quiet, says what was stored, what failed and whether
    // the run was stopped; then, in every style, why a blocked folder ended it.
    void Finish(bool stopped);

    // What the events counted (also after a stop, which ends the run without a report).
    CollectionReport Totals() const;

private:
    void DrawBar();
    void AlbumLine();
    void Line(const std::string& text);
    std::string Rate() const;

    std::FILE* const m_out;
    const ProgressStyle m_style;
    const int m_columns;
    const std::function<double()> m_seconds;
    mutable std::mutex m_mutex;
    double m_start = 0;
    int m_albumCount = 0;
    int m_album = 0;
    std::string m_title;  // UTF-8
    int m_imageCount = 0;
    int m_image = 0;
    int m_albumStored = 0;
    int m_albumFailed = 0;
    bool m_albumOpen = false;
    int m_emptyAlbums = 0;
    bool m_barShown = false;  // the bar stands on the current line
    std::string m_blocked;    // why the collection stopped early; empty: it did not
    CollectionReport m_totals;
};

}  // namespace dorvane
