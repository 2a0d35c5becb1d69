// The error codes a compile can record, each with its number (what the
// simulator's authors and the error box know it by), a name and a line
// that says what went wrong. `explain` and the authors' guide tell each
// code's story from this table; the parsers, the cell writers and the
// finishing pass raise codes by these names, never by bare numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace scenarioc {

enum class ErrorCode : int32_t {
  kRouteTooLong = 1,
  kProgressiveOffGrid = 2,
  kRepetitionStartOffGrid = 3,
  kRepetitionEndOffGrid = 4,
  kRepetitionWithoutCodes = 5,
  kSignCellTaken = 6,
  kBrakingPointCellTaken = 7,
  kStationOffGrid = 8,
  kStationLengthOffGrid = 9,
  kTooManyStations = 10,
  kNoRoomBeforeSignal = 11,
  kNoRoomBeforeSlowDown = 12,
  kNoRoomInSlowDown = 13,
  kBeyondRoute = 15,
  kSignalCellTaken = 16,
  kWarningBoardCellTaken = 17,
  kSlowDownStartCellTaken = 18,
  kSlowDownEndCellTaken = 19,
  kApproachCellTaken = 20,
  kSpeedBoardCellTaken = 21,
  kStationsTooClose = 22,
  kStopTooNearStart = 24,
  kRuntimeFailure = 25,  // the failure handler's code: reading could not go on
  kNoLineFile = 101,
  kNoGeneralHeader = 102,
  kCurveOrPlanRefused = 103,
  kRouteMarkerTaken = 1250,   // a closing check
  kScenarioCodeTaken = 1251,  // a closing check
};

constexpr int32_t number(ErrorCode c) { return static_cast<int32_t>(c); }

struct ErrorInfo {
  ErrorCode code;
  std::string_view name;   // "signal-cell-taken"
  std::string_view title;  // one line, as `explain` heads its entry
};

// Every code, in the order of their numbers.
std::span<const ErrorInfo> error_table();
// The entry of a code; null for a number no compile records.
const ErrorInfo* error_info(int32_t number);
const ErrorInfo& error_info(ErrorCode code);
// The code of a name; none when no code has it.
std::optional<ErrorCode> error_named(std::string_view name);

}  // namespace scenarioc
