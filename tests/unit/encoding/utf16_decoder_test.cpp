// The decoder's ASCII shortcut and its pieces give exactly what the
// platform's conversion gives for the whole text.
#include "encoding/utf16_decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "encoding/loader.h"
#include "platform/codepage.h"

#ifndef _WIN32
#include "platform/posix/ansi_tables.h"
#endif

namespace tovrix {
namespace {

std::string Bytes(const std::u16string& units) {
  std::string bytes;
  for (char16_t u : units) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  return bytes;
}

std::string Platform(const std::u16string& units) {
  std::string out;
  platform::AppendWideAsAnsi(units.data(), units.size(), out);
  return out;
}

// Every unit on its own, then random mixes of ASCII runs, other units and
// surrogates decoded in random pieces, in each code page the program knows
// (the Windows build: the system's).
TEST(DecodeUtf16Le, EqualsThePlatformConversion) {
#ifdef _WIN32
  const std::vector<unsigned> pages = {0};
#else
  const std::vector<unsigned> pages = {1252, 932, 936, 949, 950};
#endif
  for (unsigned page : pages) {
#ifndef _WIN32
    platform::posix::ScopedCodePageForTesting scoped(page);
#endif
    SCOPED_TRACE(platform::AnsiCodePage());
    for (unsigned u = 0; u < 0x10000; ++u) {
      const std::u16string unit(1, static_cast<char16_t>(u));
      std::string out;
      DecodeUtf16Le(Bytes(unit + u"z"), true, out);
      ASSERT_EQ(out, Platform(unit + u"z")) << "unit " << u;
    }
    std::mt19937 random(page);
    const char16_t others[] = {0x00E9, 0x20AC, 0x3042, 0xD83D, 0xDE00, 0x001A, 0xFF5E, 0x0100};
    for (int round = 0; round < 300; ++round) {
      std::u16string text;
      // Now and then longer than the runs the decoder converts at once.
      const std::size_t length = random() % (round % 10 ? 200 : 5000);
      for (std::size_t i = 0; i < length; ++i) {
        text += random() % 3 ? static_cast<char16_t>(0x20 + random() % 0x60)
                             : others[random() % std::size(others)];
      }
      const std::string bytes = Bytes(text) + (round % 2 ? "\x41" : "");  // odd sizes too
      std::string whole;
      DecodeUtf16Le(bytes, true, whole);
      std::u16string expected = text;
      if (!expected.empty() && expected.back() == 0x001A && round % 2 == 0) expected.pop_back();
      ASSERT_EQ(whole, Platform(expected)) << round;
      // The same bytes in pieces, each call handed what the last one left;
      // into a string and straight into a batch of the read-ahead.
      std::string pieces, pending;
      BatchBytes batch;
      std::size_t at = 0;
      while (at < bytes.size()) {
        const std::size_t step = 1 + random() % (length < 200 ? 9 : 900);
        pending += bytes.substr(at, step);
        at += step;
        const std::size_t used = DecodeUtf16Le(pending, false, pieces);
        ASSERT_EQ(DecodeUtf16Le(pending, false, batch), used);
        pending.erase(0, used);
      }
      DecodeUtf16Le(pending, true, pieces);
      DecodeUtf16Le(pending, true, batch);
      ASSERT_EQ(pieces, whole) << round;
      ASSERT_EQ(batch.View(), whole) << round;
    }
  }
}

}  // namespace
}  // namespace tovrix
