// A site root of its own for each dates test; the dates state and the
// session's language start clean.
#pragma once

#include <string>

#include "config/session_settings.h"
#include "dates/dates_state.h"
#include "site_root_fixture.h"

using testsupport::Blanks;

class DateSettingsTest : public testsupport::SiteRootTest {
 protected:
  const char* SiteName() const override { return "dates"; }
  void ResetSuiteState() override {
    dates::ResetState();
    config::ResetSessionSettings();
  }
  void UseSettings(const std::string& lines) {
    WriteDorvIni(lines);
    dates::ResetState();
  }
};
