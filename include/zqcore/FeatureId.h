// FeatureId and ValueId: a data-model feature and option value by number.
//
// Names are what product commands and printer descriptions key on. The data
// model names a feature or value by its decimal number ("52", "4470"), so a
// name never changes when display strings are translated.
#pragma once

#include <cstdint>

#include "zqutil/CXString.h"

class FeatureId {
 public:
  explicit FeatureId(std::uint32_t feature) : feature_(feature) {}
  std::uint32_t GetFeatureEnum() const { return feature_; }
  CXString GetName() const;

 private:
  std::uint32_t feature_;
};

class ValueId {
 public:
  explicit ValueId(std::uint32_t value) : value_(value) {}
  std::uint32_t GetValueEnum() const { return value_; }
  CXString GetValueName() const;

 private:
  std::uint32_t value_;
};
