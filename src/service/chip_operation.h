#pragma once

#include "hardware/stop_token.h"
#include "programming/operation_result.h"
#include "programming/programming_ui.h"
#include "programming/vantrel_session.h"
#include "service/programmer_connection.h"

namespace vantrel {

// Runs one of the four chip operations on an open programmer, as both programs start them: the
// simulated socket follows the session's device, every port access checks `stop`, and the
// operation's own guard leaves Vpp, Vpp40 and Vdd off however it ends - normally, by a failure,
// by a port that fails half-way, or by a requested stop. Nothing is thrown; the result says how
// it ended. The session's hardware settings must be the ones the connection was opened with.
[[nodiscard]] TOperationResult RunChipOperation(TProgrammerConnection& connection,
                                                TChipOperation operation, TVantrelSession& session,
                                                TProgrammingUi& ui, const TStopToken& stop);

}  // namespace vantrel
