// Resolution: a printing resolution as cross-feed (horizontal) and feed
// (vertical) dots per inch. The Windows devmode packs it as dmPrintQuality in
// the high and dmYResolution in the low 16 bits (600 x 600 = 39322200).
#pragma once

#include <cstdint>

class Resolution {
 public:
  Resolution() = default;
  Resolution(int crossFeed, int feed) : crossFeed_(crossFeed), feed_(feed) {}
  static Resolution FromPacked(std::int32_t packed) {
    const auto bits = static_cast<std::uint32_t>(packed);
    return Resolution(static_cast<int>(bits >> 16), static_cast<int>(bits & 0xFFFF));
  }

  int GetCrossFeed() const { return crossFeed_; }
  int GetFeed() const { return feed_; }
  std::int32_t GetPacked() const {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(crossFeed_) << 16) |
                                     (static_cast<std::uint32_t>(feed_) & 0xFFFF));
  }
  friend bool operator==(const Resolution&, const Resolution&) = default;

 private:
  int crossFeed_ = 0;
  int feed_ = 0;
};
