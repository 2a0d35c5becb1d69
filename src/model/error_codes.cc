#include "model/error_codes.h"

namespace scenarioc {
namespace {

using E = ErrorCode;

constexpr ErrorInfo kErrors[] = {
    {E::kRouteTooLong, "route-too-long", "the route is longer than 1000000 m"},
    {E::kProgressiveOffGrid, "progressive-off-grid",
     "a kilometric progressive is not on the 50 m grid"},
    {E::kRepetitionStartOffGrid, "repetition-start-off-grid",
     "the signal repetition starts off the 50 m grid"},
    {E::kRepetitionEndOffGrid, "repetition-end-off-grid",
     "the signal repetition ends off the 50 m grid"},
    {E::kRepetitionWithoutCodes, "repetition-without-codes",
     "the signal repetition row names no number of codes"},
    {E::kSignCellTaken, "sign-cell-taken", "a sign on a cell that is already taken"},
    {E::kBrakingPointCellTaken, "braking-point-cell-taken",
     "a braking point on a cell that is already taken"},
    {E::kStationOffGrid, "station-off-grid", "a station is not on the 50 m grid"},
    {E::kStationLengthOffGrid, "station-length-off-grid",
     "a station's length is not a multiple of 100 m"},
    {E::kTooManyStations, "too-many-stations", "too many stations for the timetable"},
    {E::kNoRoomBeforeSignal, "no-room-before-signal",
     "no room for the braking point in front of a signal behind a warning board"},
    {E::kNoRoomBeforeSlowDown, "no-room-before-slow-down",
     "no room for a braking point in front of a slow-down"},
    {E::kNoRoomInSlowDown, "no-room-in-slow-down",
     "no room for a braking point inside a slow-down or after it"},
    {E::kBeyondRoute, "beyond-route", "a position lies beyond the route"},
    {E::kSignalCellTaken, "signal-cell-taken", "a signal on a cell that is already taken"},
    {E::kWarningBoardCellTaken, "warning-board-cell-taken",
     "a slow-down's warning board falls on a taken cell"},
    {E::kSlowDownStartCellTaken, "slow-down-start-cell-taken",
     "a slow-down starts on a taken cell"},
    {E::kSlowDownEndCellTaken, "slow-down-end-cell-taken", "a slow-down ends on a taken cell"},
    {E::kApproachCellTaken, "approach-cell-taken",
     "a cell in front of a slow-down's warning board is taken"},
    {E::kSpeedBoardCellTaken, "speed-board-cell-taken",
     "a board of maximum speeds on a cell that is already taken"},
    {E::kStationsTooClose, "stations-too-close", "two stations too close together"},
    {E::kStopTooNearStart, "stop-too-near-start",
     "a station stops too near the start of the route"},
    {E::kRuntimeFailure, "reading-stopped", "the compiler could not go on reading"},
    {E::kNoLineFile, "no-line-file", "the line file does not exist"},
    {E::kNoGeneralHeader, "no-general-header", "the line file has no [generale] header"},
    {E::kCurveOrPlanRefused, "curve-refused",
     "a curve without a class, or a line plan longer than 1000000 m"},
    {E::kRouteMarkerTaken, "route-marker-taken", "an item in the first cell of the route"},
    {E::kScenarioCodeTaken, "scenario-code-taken",
     "a second value in the first cell of the route"},
};

}  // namespace

std::span<const ErrorInfo> error_table() { return kErrors; }

const ErrorInfo* error_info(int32_t n) {
  for (const ErrorInfo& e : kErrors)
    if (number(e.code) == n) return &e;
  return nullptr;
}

const ErrorInfo& error_info(ErrorCode code) { return *error_info(number(code)); }

std::optional<ErrorCode> error_named(std::string_view name) {
  for (const ErrorInfo& e : kErrors)
    if (e.name == name) return e.code;
  return std::nullopt;
}

}  // namespace scenarioc
