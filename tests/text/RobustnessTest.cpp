// Randomised inputs for the text operations that page contents, user-typed markers and server headers reach.
// Seeds are fixed and the rounds bounded, so every run feeds the same inputs and ends in seconds; the
// assertions are invariants that hold for any input. Meant to be run under AddressSanitizer and UBSan too.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <unordered_set>

#include "core/ByteOps.h"
#include "core/Numbers.h"
#include "core/TextOps.h"
#include "net/Codecs.h"
#include "net/Headers.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane {
namespace {

class Fuzz {
public:
    explicit Fuzz(uint32_t seed) : m_random(seed) {}

    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Chance(int percent) { return Int(0, 99) < percent; }

    // Bytes drawn mostly from those that matter to the operations under test: markers, escapes, line
    // breaks, cookie and header punctuation, GBK lead bytes (alone or as pairs), zero and other odd bytes.
    Text Bytes(int maxLength) {
        static const std::string kInteresting = "ab[]<>%u\\';=: -\r\n{$}0123456789AFaf.*+?()|^$\"/#";
        static const unsigned char kHigh[] = {0x80, 0x81, 0x95, 0xA1, 0xAF, 0xB0, 0xD6, 0xFE, 0xFF};
        const int length = Int(0, maxLength);
        Text text;
        for (int i = 0; i < length; ++i) {
            const int kind = Int(0, 9);
            if (kind < 6) {
                text += kInteresting[static_cast<size_t>(Int(0, static_cast<int>(kInteresting.size()) - 1))];
            } else if (kind < 8) {
                text += static_cast<char>(kHigh[Int(0, sizeof kHigh - 1)]);
                if (Chance(70)) text += static_cast<char>(Int(0x40, 0xFE));
            } else if (kind < 9) {
                text += static_cast<char>(Int(0, 255));
            } else {
                text += '\0';
            }
        }
        return text;
    }

    // A piece of `text` (so searches find something) or fresh bytes.
    Text Needle(const Text& text, int maxLength) {
        if (!text.empty() && Chance(60)) {
            const int from = Int(0, static_cast<int>(text.size()) - 1);
            return text.substr(static_cast<size_t>(from), static_cast<size_t>(Int(0, maxLength)));
        }
        return Bytes(maxLength);
    }

    long long Position() {
        static const long long kEdges[] = {LLONG_MIN, -1000, -1, 0, 1, 2, 3, 7, 1000, LLONG_MAX};
        return Chance(30) ? kEdges[Int(0, 9)] : Int(-3, 40);
    }

private:
    std::mt19937 m_random;
};

constexpr int kRounds = 10000;

Text Join(const TextList& items, const Text& separator) {
    Text joined;
    for (size_t i = 0; i < items.size(); ++i) joined += (i ? separator : Text()) + items[i];
    return joined;
}

bool IsBoundaryFrom(const Text& text, size_t from, size_t position) {
    size_t i = from;
    while (i < position) i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    return i == position;
}

bool EqualFolded(const Text& a, size_t at, const Text& b, bool ignoreCase) {
    if (at + b.size() > a.size()) return false;
    for (size_t i = 0; i < b.size(); ++i) {
        char x = a[at + i];
        char y = b[i];
        if (ignoreCase) {
            if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
            if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        }
        if (x != y) return false;
    }
    return true;
}

TEST(Robustness, TextFindGivesMinusOneOrABoundaryMatch) {
    Fuzz fuzz(1);
    for (int round = 0; round < kRounds; ++round) {
        const Text text = fuzz.Bytes(40);
        const Text wanted = fuzz.Needle(text, 5);
        const long long start = fuzz.Position();
        const bool ignoreCase = fuzz.Chance(50);
        const long long found = TextFind(text, wanted, start, ignoreCase);
        if (found == -1) continue;
        ASSERT_GE(found, 1);
        ASSERT_LE(static_cast<unsigned long long>(found - 1) + wanted.size(), text.size());
        if (wanted.empty()) continue;
        const size_t from = start < 1 ? 0 : static_cast<size_t>(start - 1);
        ASSERT_GE(static_cast<size_t>(found - 1), from);
        ASSERT_TRUE(EqualFolded(text, static_cast<size_t>(found - 1), wanted, ignoreCase));
        ASSERT_TRUE(IsBoundaryFrom(text, from, static_cast<size_t>(found - 1)));

        const long long back = TextFindBackward(text, wanted, start, ignoreCase);
        if (back != -1) {
            ASSERT_GE(back, 1);
            ASSERT_LE(static_cast<unsigned long long>(back - 1) + wanted.size(), text.size());
            ASSERT_TRUE(EqualFolded(text, static_cast<size_t>(back - 1), wanted, ignoreCase));
        }
    }
}

TEST(Robustness, TextOperationsStayWithinTheirInput) {
    Fuzz fuzz(2);
    for (int round = 0; round < kRounds; ++round) {
        const Text text = fuzz.Bytes(40);
        const Text wanted = fuzz.Needle(text, 4);
        const long long n = fuzz.Position();
        ASSERT_LE(TextLeft(text, n).size(), text.size());
        ASSERT_LE(TextRight(text, n).size(), text.size());
        const Text middle = TextMiddle(text, fuzz.Position(), n);
        ASSERT_NE(text.find(middle), Text::npos);
        const Text trimmed = TextTrim(text);
        ASSERT_NE(text.find(trimmed), Text::npos);
        ASSERT_EQ(TextUpper(text).size(), text.size());
        ASSERT_EQ(TextLower(text).size(), text.size());
        if (text.empty()) {
            ASSERT_EQ(ByteAt(text, fuzz.Position()), 0);
        }
        (void)TextCompareCase(text, wanted, fuzz.Chance(50));

        const Text replaced =
            TextReplace(text, wanted, fuzz.Bytes(3), fuzz.Position(), fuzz.Position(), fuzz.Chance(50));
        if (wanted.empty()) {
            ASSERT_EQ(replaced, text);
        }

        const long long maxCount = fuzz.Chance(70) ? 0 : fuzz.Position();
        const TextList pieces = TextSplit(text, wanted, maxCount);
        if (!wanted.empty() && maxCount <= 0) {
            Text joined;
            for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? wanted : Text()) + pieces[i];
            // The text after a final delimiter is no piece, so the join may lack that delimiter.
            ASSERT_TRUE(joined == text || joined + wanted == text) << round;
        }
        ASSERT_LE(TextRepeat(fuzz.Int(-5, 5), wanted).size(), 5 * wanted.size());
        ASSERT_LE(Spaces(fuzz.Int(-5, 50)).size(), 50u);
    }
}

TEST(Robustness, NumbersNeverCrash) {
    Fuzz fuzz(3);
    for (int round = 0; round < kRounds; ++round) {
        const Text text = fuzz.Bytes(20);
        (void)ToInteger(text);
        const double number = ToNumber(text);
        (void)ToInteger(number);
        (void)ToInteger(fuzz.Chance(10) ? 1e300 : -static_cast<double>(fuzz.Position()));
        ASSERT_LE(FoldFullWidth(text).size(), text.size());
        const int32_t value = static_cast<int32_t>(fuzz.Int(INT_MIN, INT_MAX));
        const Text hex = ToHexText(value);
        ASSERT_FALSE(hex.empty());
        ASSERT_LE(hex.size(), 8u);
        const int count = fuzz.Chance(30) ? fuzz.Int(INT_MIN, INT_MAX) : fuzz.Int(-40, 40);
        (void)ShiftLeft(value, count);
        (void)ShiftRight(value, count);
        (void)BitAnd({value, static_cast<int32_t>(count)});
        (void)BitOr({value, static_cast<int32_t>(count)});
        (void)NearestValue(number, fuzz.Int(-400, 400));
        const double divisor = fuzz.Chance(20) ? 0.0 : fuzz.Int(-9, 9);
        if (divisor == 0.0) {
            ASSERT_THROW(Remainder(number, divisor), RemainderByZero);
        } else {
            (void)Remainder(number, divisor);
        }
        const int32_t low = fuzz.Int(-10, 10);
        const int32_t high = fuzz.Int(-10, 10);
        (void)RandomInteger(low, high);
    }
}

TEST(Robustness, ByteOperationsClipPositions) {
    Fuzz fuzz(4);
    const ValueKind kinds[] = {ValueKind::Byte,  ValueKind::Short,  ValueKind::Integer, ValueKind::Long,
                               ValueKind::Float, ValueKind::Number, ValueKind::Boolean};
    for (int round = 0; round < kRounds; ++round) {
        const Bytes data = fuzz.Bytes(30);
        ASSERT_LE(BytesLeft(data, fuzz.Position()).size(), data.size());
        const Bytes middle = BytesMiddle(data, fuzz.Position(), fuzz.Position());
        ASSERT_NE(data.find(middle), Bytes::npos);
        ASSERT_LE(ZeroBytes(fuzz.Int(-5, 64)).size(), 64u);
        const Bytes wanted = fuzz.Needle(data, 3);
        (void)BytesReplace(data, wanted, fuzz.Bytes(3), fuzz.Position(), fuzz.Position());
        ASSERT_LE(BytesToText(data).size(), data.size());
        const double value = ReadValue(data, kinds[fuzz.Int(0, 6)], fuzz.Position());
        (void)std::isnan(value);
    }
}

TEST(Robustness, MarkersGiveSubstringsAndEnd) {
    Fuzz fuzz(5);
    for (int round = 0; round < kRounds; ++round) {
        const Text text = fuzz.Bytes(60);
        const Text left = fuzz.Needle(text, 3);
        const Text right = fuzz.Needle(text, 3);
        const bool ignoreCase = fuzz.Chance(30);
        const Text between = TextBetween(text, left, right, fuzz.Position(), ignoreCase);
        if (!ignoreCase) {
            ASSERT_NE(text.find(between), Text::npos);
        }
        const Text before = TextBefore(text, left, fuzz.Position(), ignoreCase);
        ASSERT_EQ(text.compare(0, before.size(), before), 0);

        TextList items;
        const long long maxLength = fuzz.Chance(50) ? 0 : fuzz.Position();
        const int count = TextBetweenAll(text, left, right, items, ignoreCase, maxLength, {}, {}, false,
                                         false, fuzz.Position());
        ASSERT_EQ(count, static_cast<int>(items.size()));
        ASSERT_LE(items.size(), text.size());
        for (const Text& item : items) {
            ASSERT_NE(text.find(item), Text::npos);
            if (maxLength > 0) {
                ASSERT_LT(static_cast<long long>(item.size()), maxLength);
            }
        }
        if (left.empty()) {
            ASSERT_TRUE(items.empty());
        }
    }
}

TEST(Robustness, UnescapeTextAcceptsAnyBytes) {
    Fuzz fuzz(6);
    for (int round = 0; round < kRounds; ++round) {
        const Text text = fuzz.Bytes(40);
        const Text decoded = UnescapeText(text);
        // Every unit decodes to at most one character of at most two bytes; "{$}" grows to CRLF at most.
        ASSERT_LE(decoded.size(), text.size() * 2 + 2);
        Text plain;
        for (char c : text)
            if (c >= 'g' && c <= 'z' && c != 'u') plain += c;
        ASSERT_EQ(UnescapeText(plain), plain);
    }
}

TEST(Robustness, HeadersAndCookiesKeepTheirShape) {
    Fuzz fuzz(7);
    for (int round = 0; round < kRounds; ++round) {
        const Text block = fuzz.Bytes(60);
        const Text built = BuildHeaderBlock(block);
        ASSERT_LE(built.size(), block.size());
        if (!built.empty()) {
            for (const Text& line : TextSplit(built, "\r\n")) ASSERT_NE(line.find(':'), Text::npos);
        }
        const Text name = fuzz.Needle(block, 6);
        const Text value = GetHeaderValue(block, name);
        ASSERT_NE(block.find(value), Text::npos);

        const Text merged = MergeCookies(fuzz.Bytes(40), fuzz.Bytes(40));
        // No separator at the end (split and joined again it comes back whole), no repeats, no deleted item.
        // The split is double-byte aware: "\xA1; " ends in a character, not in a separator.
        std::unordered_set<Text> seen;
        const TextList items = TextSplit(merged, "; ");
        ASSERT_EQ(Join(items, "; "), merged);
        for (const Text& item : items) {
            ASSERT_TRUE(seen.insert(item).second);
            ASSERT_FALSE(item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0);
        }
        const Text headers = "Set-Cookie: " + fuzz.Bytes(20) + "\r\n" + fuzz.Bytes(30);
        const Text cookies = ExtractSetCookies(headers, fuzz.Chance(50) ? Text("k=v") : Text());
        ASSERT_EQ(Join(TextSplit(cookies, "; "), "; "), cookies);
    }
}

TEST(Robustness, RegexResultsLieInTheSubject) {
    Fuzz fuzz(8);
    RegexObject re;
    for (int round = 0; round < kRounds; ++round) {
        const Text subject = fuzz.Bytes(60);
        const Text pattern = fuzz.Chance(50) ? fuzz.Needle(subject, 6) : fuzz.Bytes(8);
        const bool ok =
            re.Search(pattern, subject, fuzz.Chance(50), fuzz.Chance(70), fuzz.Chance(80), fuzz.Chance(20));
        const int count = re.MatchCount();
        ASSERT_GE(count, 0);
        if (!ok) {
            ASSERT_EQ(count, 0);
        }
        // Empty matches advance by at least one character, so there are at most length + 1 matches.
        ASSERT_LE(static_cast<size_t>(count), subject.size() + 1);
        const int groups = re.SubMatchCount();
        for (int m = 0; m <= count + 1; ++m) {
            for (int g = 0; g <= groups + 1; ++g) {
                long long position = -5;
                const Text text = g == 0 ? re.MatchText(m, &position) : re.SubMatchText(m, g, &position);
                if (position == -1) {
                    ASSERT_TRUE(text.empty());
                    continue;
                }
                ASSERT_GE(position, 0);
                ASSERT_LE(static_cast<size_t>(position) + text.size(), subject.size());
                ASSERT_EQ(subject.compare(static_cast<size_t>(position), text.size(), text), 0);
            }
        }
        const Text replaced = re.Replace(fuzz.Bytes(6));
        if (ok && count == 0) {
            ASSERT_EQ(replaced, subject);
        }
        if (!ok) {
            ASSERT_TRUE(replaced.empty());
        }
    }
}

}  // namespace
}  // namespace dorvane
