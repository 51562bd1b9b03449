#include "config/config_state.h"

namespace config {

namespace {
ConfigState gState;
}

ConfigState& State() { return gState; }
void ResetState() { gState = ConfigState{}; }

SessionSettingsRecord& SessionSettings() { return gState.Session; }
void ResetSessionSettings() { gState.Session = SessionSettingsRecord{}; }

FormModelRecord& FormModel() { return gState.Forms; }

}  // namespace config
