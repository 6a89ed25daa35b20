// TamorPsBookletVerticalFeature: booklet imposition of a captured job.
//
// Impose rewrites the finished spool file into a booklet (see BookletJob.h)
// when the PDEV asks for one (key 8). On success the spool file is deleted
// and `path` names the imposed file; on any failure the spool file is left
// exactly as captured, so it can be sent as it is.
#pragma once

#include "platform/oemps.h"
#include "zqutil/CXString.h"

class TamorPsBookletVerticalFeature {
 public:
  TamorPsBookletVerticalFeature() = default;
  TamorPsBookletVerticalFeature(const TamorPsBookletVerticalFeature&) = delete;
  TamorPsBookletVerticalFeature& operator=(const TamorPsBookletVerticalFeature&) = delete;
  virtual ~TamorPsBookletVerticalFeature() = default;
  virtual void Nothing() {}

  // E_NOTIMPL when no imposition is asked for, S_OK when imposed, E_FAIL otherwise.
  HRESULT Impose(PDEVOBJ pdevobj, CXString& path);
};
