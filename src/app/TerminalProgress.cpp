#include "app/TerminalProgress.h"

#include <chrono>

#include "core/CodePage.h"
#include "core/Files.h"

namespace dorvane {

namespace {

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The code point at `at` and its length in bytes; a stray byte counts as one character of its own.
std::pair<char32_t, size_t> NextCodePoint(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + length > text.size()) return {lead, 1};
    char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t i = 1; i < length; ++i) point = (point << 6) | (byte(at + i) & 0x3F);
    return {point, length};
}

int Columns(char32_t point) {
    const bool wide = (point >= 0x1100 && point <= 0x115F) || (point >= 0x2E80 && point <= 0xA4CF) ||
                      (point >= 0xAC00 && point <= 0xD7A3) || (point >= 0xF900 && point <= 0xFAFF) ||
                      (point >= 0xFE30 && point <= 0xFE4F) || (point >= 0xFF00 && point <= 0xFF60) ||
                      (point >= 0xFFE0 && point <= 0xFFE6) || (point >= 0x1F300 && point <= 0x1F64F) ||
                      point >= 0x20000;
    return wide ? 2 : 1;
}

// A title comes from a web page: control characters would move the cursor or recolour the terminal.
std::string Printable(const std::string& utf8) {
    std::string text = utf8;
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return text;
}

}  // namespace

std::string ByteCount(long long bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string FitColumns(const std::string& utf8, int columns) {
    if (columns <= 0) return utf8;
    int used = 0;
    size_t cut = std::string::npos;  // where the text stops leaving room for the ellipsis
    for (size_t at = 0; at < utf8.size();) {
        const auto [point, length] = NextCodePoint(utf8, at);
        const int width = Columns(point);
        if (used + width > columns - 1 && cut == std::string::npos) cut = at;
        used += width;
        if (used > columns) return utf8.substr(0, cut) + "…";
        at += length;
    }
    return utf8;
}

TerminalProgress::TerminalProgress(std::FILE* out, ProgressStyle style, int columns, std::function<double()> seconds)
    : m_out(out), m_style(style), m_columns(columns), m_seconds(seconds ? std::move(seconds) : SteadySeconds) {}

void TerminalProgress::CollectionBegun(int albumCount) {
    std::lock_guard lock(m_mutex);
    m_start = m_seconds();
    m_albumCount = albumCount;
}

void TerminalProgress::AlbumBegun(int album, int, const AlbumWork& work) {
    std::lock_guard lock(m_mutex);
    if (m_albumOpen) AlbumLine();
    m_album = album;
    m_title = Printable(SystemTextToUtf8(work.title));
    m_imageCount = m_image = m_albumStored = m_albumFailed = 0;
    m_albumOpen = true;
    DrawBar();
}

void TerminalProgress::AlbumOpened(int, const AlbumPlan& plan) {
    std::lock_guard lock(m_mutex);
    m_imageCount = plan.imageCount;
    if (plan.imageCount > 0) return DrawBar();
    ++m_emptyAlbums;
    AlbumLine();
}

void TerminalProgress::ImageNumbered(int image, int imageCount, const ImageWork&) {
    std::lock_guard lock(m_mutex);
    m_image = image;
    m_imageCount = imageCount;
    DrawBar();
}

void TerminalProgress::ImageDone(const ImageReport& report) {
    std::lock_guard lock(m_mutex);
    ++m_totals.images;
    if (report.stored) {
        ++m_totals.stored;
        ++m_albumStored;
    } else {
        ++m_totals.failed;
        ++m_albumFailed;
    }
    m_totals.bytes += report.bytes;
    // Said whatever the style: --quiet leaves out the progress, never what went wrong.
    if (!report.stored)
        Line("failed: album " + std::to_string(report.album) + " image " + std::to_string(report.image) + ": " +
             Printable(SystemTextToUtf8(report.url)) + ": " + Printable(SystemTextToUtf8(report.failure)));
    if (!report.blockedFolder.empty())
        m_blocked = "dorvane: stopped: nothing can be written into " + Printable(SystemTextToUtf8(report.blockedFolder)) +
                    ": " + SystemTextToUtf8(SystemErrorText(report.writeError));
    if (report.image >= m_imageCount) return AlbumLine();
    DrawBar();
}

void TerminalProgress::Finish(bool stopped) {
    std::lock_guard lock(m_mutex);
    if (m_albumOpen) AlbumLine();
    if (m_style != ProgressStyle::Quiet) {
        std::string summary = std::string(stopped ? "stopped: " : "") + "stored " + std::to_string(m_totals.stored) +
                              " of " + std::to_string(m_totals.images) + " images (" + ByteCount(m_totals.bytes) +
                              ") from " + std::to_string(m_totals.albums) + " album(s); " +
                              std::to_string(m_totals.failed) + " failed";
        if (m_emptyAlbums > 0) summary += "; " + std::to_string(m_emptyAlbums) + " album(s) without images";
        Line(summary);
    }
    if (!m_blocked.empty()) Line(m_blocked);
}

CollectionReport TerminalProgress::Totals() const {
    std::lock_guard lock(m_mutex);
    return m_totals;
}

// Callers hold m_mutex.
void TerminalProgress::DrawBar() {
    if (m_style != ProgressStyle::Bar) return;
    const std::string line = "album " + std::to_string(m_album) + "/" + std::to_string(m_albumCount) + "  image " +
                             std::to_string(m_image) + "/" + std::to_string(m_imageCount) + "  " +
                             ByteCount(m_totals.bytes) + "  " + Rate() + "  " + m_title;
    std::fprintf(m_out, "\r%s\033[K", FitColumns(line, m_columns > 1 ? m_columns - 1 : 0).c_str());
    std::fflush(m_out);
    m_barShown = true;
}

// Callers hold m_mutex. A line of its own, above the bar when one is drawn.
void TerminalProgress::Line(const std::string& text) {
    if (m_barShown) std::fputs("\r\033[K", m_out);
    m_barShown = false;
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

// Callers hold m_mutex. The album is over: counted, and in the line style said.
void TerminalProgress::AlbumLine() {
    m_albumOpen = false;
    ++m_totals.albums;
    // The bar redraws one line; an album without images still gets a line of its own above it.
    const bool ownLine = m_style == ProgressStyle::Lines || (m_style == ProgressStyle::Bar && m_imageCount == 0);
    if (!ownLine) return DrawBar();
    std::string line = "album " + std::to_string(m_album) + "/" + std::to_string(m_albumCount) + ": " + m_title + ": ";
    if (m_imageCount == 0) {
        line += "no images";
    } else {
        line += std::to_string(m_albumStored) + " of " + std::to_string(m_imageCount) + " images stored";
        if (m_albumFailed > 0) line += ", " + std::to_string(m_albumFailed) + " failed";
    }
    Line(line);
}

std::string TerminalProgress::Rate() const {
    const double elapsed = m_seconds() - m_start;
    if (elapsed < 0.001) return "-/s";
    return ByteCount(static_cast<long long>(static_cast<double>(m_totals.bytes) / elapsed)) + "/s";
}

}  // namespace dorvane
