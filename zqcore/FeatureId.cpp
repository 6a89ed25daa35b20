#include "zqcore/FeatureId.h"

#include "zqutil/Number.h"

CXString FeatureId::GetName() const {
  return Number::GetStringValue(static_cast<std::int64_t>(feature_));
}

CXString ValueId::GetValueName() const {
  return Number::GetStringValue(static_cast<std::int64_t>(value_));
}
