// A site root of its own for each numbers test; the numbers state starts
// clean.
#pragma once

#include "numbers/numbers_state.h"
#include "site_root_fixture.h"

using testsupport::Blanks;

class SiteSettingsTest : public testsupport::SiteRootTest {
 protected:
  const char* SiteName() const override { return "numbers"; }
  void ResetSuiteState() override { numbers::ResetState(); }
};
