#include "reference/explain.h"

#include <algorithm>
#include <climits>
#include <ostream>

#include "compiler/keywords.h"
#include "compiler/warnings.h"
#include "model/error_codes.h"

namespace scenarioc {
namespace {

using P = ExamplePlace;

// A code's entry is headed by its line in the table of error codes.
std::string_view title_of(ErrorCode code) { return error_info(code).title; }

// The rows of the examples keep the columns of the files `scenarioc emit`
// writes, so that they can be copied into a scenario as they stand.
const std::vector<Explanation>& table() {
  static const std::vector<Explanation> entries = {
      {"101",
       title_of(ErrorCode::kNoLineFile),
       "The compiler found no line file at the path it was given, so it compiled "
       "nothing and wrote nothing (exit status 2).\n\n"
       "In the built-in run the line file is the one the program has just written "
       "into its directory; there this error means that the file was taken away "
       "before it could be read.",
       {"a typing mistake in the path of the line file",
        "a relative path that means another directory than the current one",
        "the path names a directory, or something else that is not a file"},
       {{P::kCommandLine, "a misspelt file name",
         "scenarioc check Colina_linea.txt Collina_123-.txt",
         "scenarioc check Collina_linea.txt Collina_123-.txt"}}},

      {"102",
       title_of(ErrorCode::kNoGeneralHeader),
       "A line file begins with the header [generale]: everything before the first "
       "item that contains it is ignored, and the general data follow it. The "
       "compiler read the whole file without finding it, or found it as the very "
       "last item, with nothing after it. Without the general data there is no "
       "route, so nothing is written (exit status 2).\n\n"
       "Letter case does not matter ([GENERALE] is found too); the brackets and the "
       "spelling do.",
       {"the header is misspelt ([generali], [general]) or has spaces inside its "
        "brackets ([ generale ])",
        "the file is empty, or was saved as UTF-16, whose bytes hide every word "
        "from the compiler",
        "another file was given as the line file: a compiled .dat file or a "
        "printed form",
        "the header is the last line of the file"},
       {{P::kLineFile, "a misspelt header",
         "[generali]\n"
         "lunghezza percorso,    40000\n"
         "[pendenze]\n"
         "pendenza,   0,    0\n"
         "[fine]",
         "[generale]\n"
         "lunghezza percorso,    40000\n"
         "[pendenze]\n"
         "pendenza,   0,    0\n"
         "[fine]"}}},

      {"1",
       title_of(ErrorCode::kRouteTooLong),
       "The route length of the general data (the row lunghezza percorso) may be at "
       "most 1000000 m, that is 1000 km. A longer one is refused: the line file is "
       "read no further and the train file is not read at all. When no earlier row "
       "gave a route length, there is no route and nothing is written (exit status "
       "2).",
       {"a zero too many", "a length in another unit than whole metres"},
       {{P::kLineGeneral, "a zero too many", "lunghezza percorso,    4000000",
         "lunghezza percorso,    400000"}}},

      {"2",
       title_of(ErrorCode::kProgressiveOffGrid),
       "The rows progressiva chilometrica uno, due and tre of the general data each "
       "give a start position a, a value b and a flag, all in metres. Once the "
       "compiler has put the three in order (the one that starts farthest along "
       "the route first) and added 100 m to the value of each whose flag is 1, "
       "both a and b of every one must be multiples of 50 m.\n\n"
       "The check runs after the train file has been read; the error still names "
       "the row of the progressive in the line file. The compiled files are still "
       "written.",
       {"a stray digit in a value (40020 for 40000)",
        "a position measured to the metre; the route knows only steps of 50 m"},
       {{P::kLineGeneral, "a value off the grid",
         "progressiva chilometrica uno,    0,    40020,    1",
         "progressiva chilometrica uno,    0,    40000,    1"}}},

      {"3",
       title_of(ErrorCode::kRepetitionStartOffGrid),
       "The row ripetizione segnali N codici of the general data gives the stretch "
       "of line, from and to in metres, on which signals are repeated in the cab, "
       "and in its key N, the number of codes (4 or 9). Both ends must be multiples "
       "of 50 m; here the start is not. The line file is read no further and the "
       "train file is not read.",
       {"a stray digit in the start position"},
       {{P::kLineGeneral, "a start off the grid",
         "ripetizione segnali 9 codici,    25,    40000",
         "ripetizione segnali 9 codici,    0,    40000"}}},

      {"4",
       title_of(ErrorCode::kRepetitionEndOffGrid),
       "The row ripetizione segnali N codici of the general data gives the stretch "
       "of line, from and to in metres, on which signals are repeated in the cab. "
       "Both ends must be multiples of 50 m; here the end is not. The line file is "
       "read no further and the train file is not read.",
       {"an end position copied from a map to the metre",
        "a stray digit in the end position"},
       {{P::kLineGeneral, "an end off the grid",
         "ripetizione segnali 9 codici,    0,    39990",
         "ripetizione segnali 9 codici,    0,    40000"}}},

      {"5",
       title_of(ErrorCode::kRepetitionWithoutCodes),
       "The key of the row ripetizione segnali N codici must name the number of "
       "codes of the repetition in the cab: it is 4 when the key contains the digit "
       "4, otherwise 9 when it contains the digit 9. This key holds neither. A "
       "stretch that ends at 0 has no repetition (0 codes), but its key must still "
       "hold 4 or 9. The line file is read no further and the train file is not "
       "read.",
       {"the number left out of the key, or spelt as a word (nove)",
        "another number of codes than 4 or 9"},
       {{P::kLineGeneral, "no number in the key",
         "ripetizione segnali codici,    0,    40000",
         "ripetizione segnali 9 codici,    0,    40000"}}},

      {"6",
       title_of(ErrorCode::kSignCellTaken),
       "A sign (cartello indicatore) needs a route cell of its own. The route is "
       "divided into cells of 50 m, and a sign at position p takes the cell "
       "p/50 + 1, rounded to the nearest whole number (a half to the even one), so "
       "two items less than 50 m apart can fall into the same cell. The cell "
       "already held a board of maximum speeds or another sign (a mountain marker "
       "does not count: the sign takes its place). The line file is read no "
       "further and the train file is not read.",
       {"a sign at the position of a board of maximum speeds (indicatori_vmax)",
        "two signs less than 50 m apart"},
       {{P::kLineData, "a sign on a board",
         "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0\n"
         "cartello indicatore,  1100,  PONTE",
         "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0\n"
         "cartello indicatore,  1200,  PONTE"}}},

      {"7",
       title_of(ErrorCode::kBrakingPointCellTaken),
       "A row abbattimento places a braking point in the route cell p/50, rounded "
       "to the nearest whole number (a half to the even one). Unlike a signal, a "
       "slow-down or a sign, whose item at p takes the cell p/50 + 1, a point "
       "takes the cell one earlier, so a point written 50 m after a signal falls "
       "into the signal's cell. The cell already held an item of an earlier row: "
       "a signal, a cell of a slow-down, a station stop, a sign, a board or another "
       "point (a mountain marker does not count). The train file is read no "
       "further.",
       {"a point 50 m after a signal",
        "a point at a station's stop or in a slow-down's cells"},
       {{P::kTrainData, "a point in a signal's cell",
         "segnale,    5000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "abbattimento,  5050,  0",
         "segnale,    5000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "abbattimento,  5100,  0"}}},

      {"8",
       title_of(ErrorCode::kStationOffGrid),
       "The first value of a row stazione, the station's position in metres, must "
       "be a multiple of 50. The train file is read no further.",
       {"a position copied from a timetable to the metre",
        "a value left out before the position, so that the next one is read in "
        "its place"},
       {{P::kTrainData, "a position off the grid",
         "stazione,   12020,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA"}}},

      {"9",
       title_of(ErrorCode::kStationLengthOffGrid),
       "The third value of a row stazione, the length of the station in metres, "
       "must be a multiple of 100. The train file is read no further.",
       {"a length measured to the metre or in steps of 50 m",
        "the second and third values exchanged (the kind of station comes second)"},
       {{P::kTrainData, "a length of 450 m",
         "stazione,   12000,  2,  450,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA"}}},

      {"10",
       title_of(ErrorCode::kTooManyStations),
       "Stations fill the rows of the timetable from 1 upward, the texts of the "
       "signs (cartello indicatore) of the line file its rows from 80 downward, "
       "and the two may not meet: a line without signs takes 78 stations, and each "
       "sign leaves room for one fewer. The station that reaches the "
       "rows of the signs is stored, but the train file is read no further.",
       {"a long line with a station for every stop and passing point, and many "
        "signs",
        "the same stations written twice"},
       {{P::kSketch, "79 stations on a line without signs",
         "stazione,     400, 25,    0,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, PM 1\n"
         "...  (77 stations more, 400 m apart)\n"
         "stazione,   31600, 25,    0,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, PM 79",
         "stazione,     400, 25,    0,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, PM 1\n"
         "...  (76 stations more, 400 m apart)\n"
         "stazione,   31200, 25,    0,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, PM 78"}}},

      {"11",
       title_of(ErrorCode::kNoRoomBeforeSignal),
       "Once the files are read, the compiler adds braking points (points with the "
       "value 180) to the route. Each slow-down has a warning board 1200 m before "
       "its start, and every signal up to 1000 m (20 cells) behind that board needs "
       "such a point in one of the two cells just in front of it, 50 or 100 m "
       "before the signal. Both cells were taken by other items, and neither is a "
       "braking point that could serve instead.\n\n"
       "The error names the signal's position and cell and no row, since the point "
       "is the compiler's own. The point is left out; what was compiled is still "
       "written by the built-in run and by compile --write-on-error.",
       {"signals, station stops or other items packed less than 150 m apart in "
        "front of a signal that stands less than 1000 m behind a warning board"},
       {{P::kTrainData, "three signals 50 m apart behind a warning board",
         "segnale,   18350,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   18400,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   18450,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  20000,  30,  500,  0,  0,  0",
         "segnale,   18150,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   18300,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   18450,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  20000,  30,  500,  0,  0,  0"}}},

      {"12",
       title_of(ErrorCode::kNoRoomBeforeSlowDown),
       "Once the files are read, the compiler adds braking points (points with the "
       "value 180) in front of every slow-down: one in the cells 5 to 7 before its "
       "start (250 to 350 m), one in the cells 11 to 13 (550 to 650 m) and one in "
       "the cells 18 to 20 (900 to 1000 m), each in the first free cell of its "
       "group. All three cells of one group were taken; a point already there does "
       "not count, only a free cell does.\n\n"
       "The error names the slow-down's start and no row, since the points are the "
       "compiler's own. That point is left out, the other groups still get theirs, "
       "and what was compiled is still written by the built-in run and by compile "
       "--write-on-error.",
       {"signals, a station stop or another slow-down's cells in all three cells "
        "of a group",
        "two slow-downs close behind each other"},
       {{P::kTrainData, "three signals 250 to 350 m before a slow-down",
         "segnale,   19650,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   19700,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   19750,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  20000,  30,  500,  0,  0,  0",
         "segnale,   19550,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   19650,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   19750,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  20000,  30,  500,  0,  0,  0"}}},

      {"13",
       title_of(ErrorCode::kNoRoomInSlowDown),
       "Once the files are read, the compiler adds braking points (points with the "
       "value 180) to every slow-down slower than 110 km/h: inside it, one every "
       "8 cells (400 m) from its start to its end, each in the cell where it is "
       "due or, when that is taken, in the cell before or after it; and one in "
       "the two cells in front of the first signal within 600 m after its end. "
       "A point was due, and all the cells it could take were taken.\n\n"
       "The error names the position where the point was due and no row, since the "
       "point is the compiler's own. Inside a slow-down, no further point is placed "
       "in it; what was compiled is still written by the built-in run and by "
       "compile --write-on-error.",
       {"signals or station stops packed less than 150 m apart inside a slow-down",
        "items in both cells in front of the first signal after a slow-down"},
       {{P::kTrainData, "three signals 50 m apart inside a slow-down",
         "segnale,   20350,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   20400,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   20450,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  20000,  30,  1000,  0,  0,  0",
         "segnale,   20300,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   20400,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,   20500,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  20000,  30,  1000,  0,  0,  0"}}},

      {"15",
       title_of(ErrorCode::kBeyondRoute),
       "Every item placed on the route must lie within it. The route runs 7000 m "
       "past the line's length L (the row lunghezza percorso), and a position p "
       "fits when (p + 100) / 50 is not above the route's last cell: for L a "
       "multiple of 50 that is p up to L + 6900 m, and for a station, which "
       "reaches 800 m, up to L + 6200 m.\n\n"
       "The rest of the file that holds the row is not read; when it is the line "
       "file, the train file is still read. The built-in run and compile "
       "--write-on-error write what was compiled.",
       {"a position with a zero too many",
        "a train file written for a longer line than the line file gives",
        "the route length of the line file shortened after the train file was "
        "written"},
       {{P::kLineFile, "a gradient past a line of 20000 m",
         "[generale]\n"
         "lunghezza percorso,    20000\n"
         "[pendenze]\n"
         "pendenza,      0,    0\n"
         "pendenza,  27000,    5\n"
         "[fine]",
         "[generale]\n"
         "lunghezza percorso,    20000\n"
         "[pendenze]\n"
         "pendenza,      0,    0\n"
         "pendenza,  17000,    5\n"
         "[fine]"}}},

      {"16",
       title_of(ErrorCode::kSignalCellTaken),
       "A signal needs a route cell of its own. The route is divided into cells of "
       "50 m, and a signal at position p takes the cell p/50 + 1, rounded to the "
       "nearest whole number (a half to the even one), so two items less than 50 m "
       "apart can fall into the same cell. The cell already held an item of the "
       "line file or of an earlier row of the train file: another signal, a "
       "station's stop, a cell of a slow-down, a braking point, a board or a sign "
       "(a mountain marker does not count). The train file is read no further.",
       {"two signals less than 50 m apart",
        "a signal 100 m before a station's stop (for most kinds of station its "
        "position plus half its length), which falls into the station's stop cell",
        "a signal at the start, end or warning board of a slow-down"},
       {{P::kTrainData, "two signals 20 m apart",
         "segnale,    5000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,    5020,   1, 4, 0,  0, 0,    1,  1,0,0, 0",
         "segnale,    5000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "segnale,    5100,   1, 4, 0,  0, 0,    1,  1,0,0, 0"}}},

      {"17",
       title_of(ErrorCode::kWarningBoardCellTaken),
       "A slow-down (rallentamento) that starts after 1500 m has a warning board "
       "1200 m before its start, in the cell (x - 1200)/50 + 1 for a start at x. "
       "That cell already held another item: a signal, a station stop, another "
       "slow-down's cell, a point, a board or a sign. Nothing of the slow-down is "
       "written and the train file is read no further.",
       {"a signal 1200 m before the start of a slow-down",
        "two slow-downs 1200 m apart, the end of one where the other is warned"},
       {{P::kTrainData, "a signal where the warning board goes",
         "segnale,   13800,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  15000,  30,  500,  0,  0,  0",
         "segnale,   13800,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  15200,  30,  500,  0,  0,  0"}}},

      {"18",
       title_of(ErrorCode::kSlowDownStartCellTaken),
       "A slow-down (rallentamento) starting at x takes the cell x/50 + 1 for its "
       "start. That cell already held another item: a signal, a station stop, "
       "another slow-down's cell, a point, a board or a sign. Nothing of the "
       "slow-down is written and the train file is read no further.",
       {"a slow-down that starts at a signal or a station's stop",
        "two slow-downs starting at the same place"},
       {{P::kTrainData, "a slow-down starting at a signal",
         "segnale,   15000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  15000,  30,  500,  0,  0,  0",
         "segnale,   14800,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  15000,  30,  500,  0,  0,  0"}}},

      {"19",
       title_of(ErrorCode::kSlowDownEndCellTaken),
       "A slow-down (rallentamento) starting at x with a length l takes the cell "
       "(x + l)/50 + 1 for its end. That cell already held another item: a signal, "
       "a station stop, another slow-down's cell, a point, a board or a sign. "
       "Nothing of the slow-down is written and the train file is read no further.",
       {"a slow-down that ends at a signal or a station's stop",
        "a length that reaches into the next slow-down"},
       {{P::kTrainData, "a slow-down ending at a signal",
         "segnale,    6000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  5000,  30,  1000,  0,  0,  0",
         "segnale,    6000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  5000,  30,  900,  0,  0,  0"}}},

      {"20",
       title_of(ErrorCode::kApproachCellTaken),
       "When the fifth value of a slow-down row (f_ta) is not 0, the four cells in "
       "front of its warning board (200 m before the board, 1400 to 1200 m before "
       "the start) receive approach marks, and must be free. One of them already "
       "held another item. The start, end and warning board of the slow-down are "
       "already written; the marks are not, and the train file is read no "
       "further.",
       {"a signal or a station stop 1250 to 1400 m before the start of a slow-down "
        "whose approach is marked",
        "some starts 25 m off the 50 m grid (1575 m, 1675 m, ...), which put the "
        "first mark on the warning board itself"},
       {{P::kTrainData, "a signal among the approach cells",
         "segnale,   13700,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  15000,  30,  500,  0,  1,  0",
         "segnale,   13500,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
         "rallentamento,  15000,  30,  500,  0,  1,  0"}}},

      {"21",
       title_of(ErrorCode::kSpeedBoardCellTaken),
       "A board of maximum speeds (indicatori_vmax) needs a route cell of its own. "
       "A board at position p takes the cell p/50 + 1, rounded to the nearest "
       "whole number (a half to the even one), so two items less than 50 m apart "
       "can fall into the same cell. The cell already held another board or a sign "
       "(a mountain marker does not count). The line file is read no further and "
       "the train file is not read.",
       {"two boards less than 50 m apart, or the same board written twice",
        "a board at the position of a sign (cartello indicatore)"},
       {{P::kLineData, "a board on a sign",
         "cartello indicatore,  1100,  PONTE\n"
         "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0",
         "cartello indicatore,  1100,  PONTE\n"
         "indicatori_vmax,  1000,  80,  90,  100,  0,  ,  ,  ,  0"}}},

      {"22",
       title_of(ErrorCode::kStationsTooClose),
       "A station's area must start at least 350 m after the stop of the station "
       "before it. Most stations reach half their length on either side of their "
       "position; those of kind 5 and 6 reach back their whole length and stop "
       "150 m past it, those of kind 7 and 8 reach their whole length on either "
       "side. Stations must also come in the order of their positions. The train "
       "file is read no further.",
       {"two stations closer than their lengths allow",
        "stations not written in ascending order of position",
        "a length in the wrong field, much longer than meant"},
       {{P::kTrainData, "a second station 800 m after the first",
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,30, 0, PRIMA\n"
         "stazione,     800,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA",
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,30, 0, PRIMA\n"
         "stazione,    1100,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA"}}},

      {"24",
       title_of(ErrorCode::kStopTooNearStart),
       "A station of kind below 25 has a stop cell, one cell before its stop "
       "position. That stop must lie beyond 100 m from the start of the route. A "
       "station of kind 8 at 0 stops at its length, so it needs a length of at "
       "least 200 m. The train file is read no further.",
       {"a first station with too short a length",
        "a first station placed before the start of the route"},
       {{P::kTrainData, "a station of kind 8 at 0, 100 m long",
         "stazione,       0,  8,  100,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,30, 0, PRIMA",
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,30, 0, PRIMA"}}},

      {"25",
       title_of(ErrorCode::kRuntimeFailure),
       "A value could not be read or stored, or an item would reach outside the "
       "scenario's tables. The message names which of these faults it was:\n\n"
       "- the file ends where a value was expected;\n"
       "- a value is not a whole number (text, a decimal point, a unit, or the "
       "next row's key because a value is missing);\n"
       "- a number does not fit its field: -2147483648 to 2147483647 for most "
       "values, -32768 to 32767 for the clock, the sand and station values 7, 8, "
       "10, 11 and 12, 0 to 255 for station values 2, 4, 5, 6, 9 and 13;\n"
       "- a speed limit below -2 or above 1277 km/h;\n"
       "- a route length below 0, or no route length before the line data;\n"
       "- an item that would fall outside the route: a negative position, a "
       "signal less than 325 m from the start (its repeat cells lie before it), "
       "a slow-down, mountain stretch or station that ends past the route, a curve "
       "that ends past the line plan;\n"
       "- an 81st mountain stretch, or an 81st sign;\n"
       "- a station time or area, or a progressive, too large for 32 bits;\n"
       "- a text longer than 65535 bytes;\n"
       "- a source that cannot be read, or in UTF-8 with a character the "
       "simulator's code page (Windows-1252) does not have.\n\n"
       "Reading stops at once: the line file is read no further and the train "
       "file not at all, or the train file is read no further. What was read "
       "before stays, and the built-in run and compile --write-on-error write the "
       "compiled files when there is a route. "
       "A source that compile or check cannot read or convert is not compiled at "
       "all (exit status 2).",
       {"a value left out of a row, so that the next row's key is read as a number",
        "a unit or a decimal written after a number (100km/h, 12.5)",
        "a number with a space inside (40 000), whose second part is read as the "
        "next value",
        "a signal at the very start of the line"},
       {{P::kTrainData, "a unit after a number",
         "velocita,    1100,   100km/h", "velocita,    1100,   100"},
        {P::kTrainData, "a value left out",
         "velocita,    1100\n"
         "velocita,    3850,   120",
         "velocita,    1100,   100\n"
         "velocita,    3850,   120"},
        {P::kTrainData, "a number too large for a station's kind (0 to 255)",
         "stazione,   12000,  300,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA",
         "stazione,   12000,  25,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,40, 0, "
         "SECONDA"},
        {P::kTrainData, "a signal less than 325 m from the start",
         "segnale,     300,   1, 4, 0,  0, 0,    1,  1,0,0, 0",
         "segnale,     400,   1, 4, 0,  0, 0,    1,  1,0,0, 0"}}},

      {"103",
       title_of(ErrorCode::kCurveOrPlanRefused),
       "A curve's key (curvad1, curvas3) must name its class with one of the "
       "digits 1 to 6, which sets how sharply it bends: 1 is the gentlest (a "
       "radius of 10000 m), 6 the sharpest (about 333 m). This key holds none. The "
       "same code is given when a curve would draw the line plan, metre by metre, "
       "past 1000000 m. The line file is read no further "
       "and the train file is not read.\n\n"
       "Curves are read only when the line plan is made: compile --no-plan does "
       "not look at them.",
       {"the class digit left out of the key",
        "a class of 7 or more, or a letter instead of the digit"},
       {{P::kLineData, "a key without its class", "curvad,  8500,  2000",
         "curvad1,  8500,  2000"}}},

      {"1250",
       title_of(ErrorCode::kRouteMarkerTaken),
       "Cell 1 of the route (from 25 to 75 m) carries a marker value and the "
       "scenario code that the simulator checks, and row 85 of the timetable "
       "another marker and code. Before writing them the compiler makes sure "
       "that nothing else is stored there: here an item of the files, or a "
       "braking point the compiler placed, had put a value into the first field of "
       "cell 1. Such an item is a sign, a board or a slow-down's start less than "
       "25 m from the start, or a point with a value more than 25 and less than 75 m "
       "from it.\n\n"
       "The run ends with \" Errore n. 1250\" (a message box in the window) and "
       "nothing is written (exit status 2).",
       {"a sign or a board at position 0",
        "a braking point at 50 m",
        "a slow-down that starts at the very start of the line"},
       {{P::kLineData, "a sign at the start of the line",
         "cartello indicatore,  0,  VALDENA", "cartello indicatore,  100,  VALDENA"}}},

      {"1251",
       title_of(ErrorCode::kScenarioCodeTaken),
       "Cell 1 of the route (from 25 to 75 m) carries a marker value and the "
       "scenario code that the simulator checks. Before writing the code into its "
       "second field, the compiler makes sure that nothing else is stored there: "
       "here an item of the files had put a value into it. Such an item is a "
       "board of maximum speeds less than 25 m from the start (with its speed b, "
       "vbs or vbd, not 0), or a slow-down of speed 0 starting there with its sixth value "
       "(d_v) not 0.\n\n"
       "The run ends with \" Errore n. 1251\" (a message box in the window) and "
       "nothing is written (exit status 2).",
       {"a board of maximum speeds at position 0"},
       {{P::kLineData, "a board at the start of the line",
         "indicatori_vmax,  0,  0,  90,  100,  0,  ,  ,  ,  0",
         "indicatori_vmax,  100,  0,  90,  100,  0,  ,  ,  ,  0"}}},

      // The warnings, by name: what the format accepts but an author almost
      // surely did not mean. Each wrong example gives its warning, and its
      // mended rows compile without any.
      {"unknown-key",
       "a row whose key matches no key of its file",
       "A row is acted upon when its key contains the word of a keyword: this key "
       "contains none, so the row is ignored, and each of its values is read as a "
       "key of its own, which matches nothing either. Nothing of it reaches the "
       "compiled files.\n\n"
       "When the key is a slip of the keyboard away from a keyword, the warning "
       "says which one was probably meant (\"did you mean 'segnale'?\"); when it "
       "holds the words of a keyword that must be written in lower case, it says "
       "so.",
       {"a misspelt key: two letters swapped, one missing or one too many",
        "a key of the general data written with capitals (Sfondo uno)",
        "a row the author meant as a note, without the dash that makes a comment"},
       {{P::kTrainData, "a misspelt signal",
         "segnael,    9900,   1, 4, 0,  0, 0,    1,  1,0,0, 0",
         "segnale,    9900,   1, 4, 0,  0, 0,    1,  1,0,0, 0"}}},

      {"misplaced-key",
       "a key where it is not read",
       "Each section reads its own keys only: the general data of a line file "
       "(before its first section header) the route length, the progressives, "
       "the background values and the signal repetition; the line data (after "
       "that header) gradients, curves, mountain stretches, boards and signs; a "
       "train file the train's rows. This key belongs to another file or "
       "section, so the row is ignored where it stands.",
       {"a row of the line data written above the first section header",
        "a row of the train file put in the line file, or the other way round"},
       {{P::kLineFile, "a gradient among the general data",
         "[generale]\n"
         "lunghezza percorso,    40000\n"
         "pendenza,   0,    0\n"
         "[pendenze]\n"
         "[fine]",
         "[generale]\n"
         "lunghezza percorso,    40000\n"
         "[pendenze]\n"
         "pendenza,   0,    0\n"
         "[fine]"}}},

      {"commented-row",
       "a row that looks commented out but is read",
       "Only an item that holds a dash is a comment, and only so many of them in "
       "a row are skipped (ten in the general data of a line file, two "
       "elsewhere). A row that starts with #, ;, ' or // is read like any other, "
       "and this one holds a key, so it acts: the author probably meant to take "
       "it out.",
       {"a row taken out with the comment mark of another language",
        "more comment items in a row than are skipped, the last holding a key"},
       {{P::kTrainData, "a speed limit taken out with #",
         "# velocita,    1100,   100",
         "-- velocita 1100 100 taken out"}}},

      {"header-is-key",
       "a section header that holds a key",
       "Section headers are keys like any other: a header that contains the word "
       "of a keyword is read as a row of that keyword, and takes its values from "
       "the items that follow it, usually the key of the next row, which is then "
       "no number (error 25). The headers written by emit ([vel_limite], "
       "[segnali], [stazioni]) hold no keyword.",
       {"a header named after its rows in the singular: [velocita], [segnale], "
        "[stazione]"},
       {{P::kTrainData, "a header named after the speed rows",
         "[velocita]\n"
         "velocita,       0,    60",
         "[vel_limite]\n"
         "velocita,       0,    60"}}},

      {"several-keys",
       "a key that holds two keys",
       "A key is read by every keyword whose words it contains, in the order of "
       "the format guide's tables, and each of them takes its own values from the "
       "row, one after the other. A key that holds two keywords is seldom meant "
       "so.",
       {"a key that names two things, such as 'velocita e aderenza'",
        "a descriptive key that happens to hold a second keyword"},
       {{P::kTrainData, "speed and adhesion in one row",
         "velocita e aderenza,    0,    80,    0,    90",
         "velocita,    0,    80\n"
         "aderenza,    0,    90"}}},

      {"out-of-order",
       "positions that do not ascend where their order changes what is compiled",
       "Gradients, curves, speed limits, adhesion rows, signals and stations are "
       "read as lists in ascending order of position: a gradient, speed or "
       "adhesion row fills the cells from the row before it up to its own, and a "
       "curve bends from where the one before ended. A row behind the one before "
       "changes what is compiled: a speed row behind still writes a cell, and a "
       "curve behind bends only from where the previous one ended. The note shows "
       "the row before.\n\n"
       "Signals and mountain stretches may come in any order: each is placed as it "
       "is read. Only where their order changes the route (a signal's repeat codes "
       "over those of a signal less than 400 m from it, a mountain stretch within "
       "150 m after the one read before it) does the warning come, naming the "
       "cells that differ from the rows in order of position.",
       {"a row added at the end of the file instead of in its place",
        "two rows with their positions swapped by a typing slip"},
       {{P::kTrainData, "two speed limits swapped",
         "velocita,       0,    60\n"
         "velocita,    2000,   120\n"
         "velocita,    1100,   100",
         "velocita,       0,    60\n"
         "velocita,    1100,   100\n"
         "velocita,    2000,   120"}}},

      {"rounded",
       "a position or a speed rounded",
       "The route is kept in cells of 50 m, and speed limits and the second "
       "speeds of a board in steps of 5 km/h: a position off the 50 m grid is "
       "taken to its nearest cell, a speed to its nearest step (a half to the "
       "even one), without an error. The warning says the value taken.",
       {"a position measured to the metre", "a speed such as 112 km/h"},
       {{P::kTrainData, "a speed limit 20 m off the grid",
         "velocita,       0,    60\n"
         "velocita,    1120,   100",
         "velocita,       0,    60\n"
         "velocita,    1100,   100"}}},

      {"empty-value",
       "an empty value read as 0",
       "A comma right after the blanks that follow the one before is an empty "
       "value, read as 0. The files written by emit leave the three second "
       "speeds of a board empty on purpose; anywhere else an empty value is "
       "usually a value forgotten.",
       {"a value left out between two commas", "a comma typed twice"},
       {{P::kTrainData, "a signal's dx left out",
         "segnale,    9900,   1, 4, 0,  0, ,    1,  1,0,0, 0",
         "segnale,    9900,   1, 4, 0,  0, 0,    1,  1,0,0, 0"}}},

      {"implausible",
       "a value the simulator cannot hold",
       "The value lies outside the range the simulator can hold for it (the "
       "format guide gives each value's range). It is stored all the same, and a "
       "narrow field of the compiled files keeps only its low bits, so the "
       "simulator sees something else than was written.",
       {"a value in the wrong unit", "a zero too many", "two values swapped"},
       {{P::kTrainData, "a zero too many", "numero vetture,    120",
         "numero vetture,    12"}}},

      {"past-route",
       "a position past the end of the line",
       "The route runs 7000 m beyond the line's length, so that the simulator has "
       "track after the last station, and an item may stand there. An item past "
       "the length of the line is seldom meant: it lies where the line has "
       "ended.",
       {"a position in the wrong unit or with a digit too many",
        "a train file written for a longer line"},
       {{P::kTrainData, "a signal past the end of a 40000 m line",
         "segnale,   42000,   1, 4, 0,  0, 0,    1,  1,0,0, 0",
         "segnale,   39000,   1, 4, 0,  0, 0,    1,  1,0,0, 0"}}},

      {"negative-position",
       "a position before the start of the line",
       "Positions count from 0 at the start of the line. A gradient, speed or "
       "adhesion row at a negative position writes no cell: it only sets the "
       "value that the next row fills up to its own position. Other items at a "
       "negative position are errors.",
       {"a minus sign typed by mistake",
        "a position counted from another point than the start of the line"},
       {{P::kTrainData, "a speed limit before the start",
         "velocita,    -500,    60",
         "velocita,       0,    60"}}},

      {"split-number",
       "a blank inside a number",
       "A number runs up to the next blank: '27 000' is the two values 27 and 0, "
       "and every value after it in the row is shifted by one, the last one read "
       "as an item of its own.",
       {"thousands set apart by a blank, as in print"},
       {{P::kTrainData, "a position written with a thousands blank",
         "velocita,       0,    60\n"
         "velocita,    1 100,   100",
         "velocita,       0,    60\n"
         "velocita,    1100,   100"}}},

      {"text-after-number",
       "text after a number in the same field",
       "A number runs up to the next blank; what follows it before the next comma "
       "is not part of it but an item of its own, read as the next value or key. "
       "Numbers hold no unit.",
       {"a unit written after a value: 100 km/h, 1100 m"},
       {{P::kTrainData, "a speed with its unit",
         "velocita,       0,    60\n"
         "velocita,    1100,   100 km/h",
         "velocita,       0,    60\n"
         "velocita,    1100,   100"}}},

      {"row-continues",
       "a row that goes on on the next line",
       "Line ends are skipped before a value, so a row that ends before all its "
       "values takes the rest from the next line, usually from the next row, "
       "whose key is then no number (error 25) or whose values are taken for "
       "this row's. The note shows where the row starts.",
       {"a value forgotten at the end of a row",
        "a row broken over two lines"},
       {{P::kTrainData, "a speed limit broken over two lines",
         "velocita,       0,    60\n"
         "velocita,    1100,\n"
         "   100",
         "velocita,       0,    60\n"
         "velocita,    1100,   100"}}},

      {"text-cut",
       "a name or sign text cut at a comma",
       "A station's name and a sign's text run to the next comma or the end of "
       "the line: a comma in them ends the text, and the rest is read as an item "
       "of its own. Only the part before the comma is stored.",
       {"a name with a comma, as in BORGO, SCALO"},
       {{P::kTrainData, "a station name with a comma",
         "stazione,    3400,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, BORGO, SCALO",
         "stazione,    3400,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, BORGO SCALO"}}},

      {"last-item-unread",
       "a file whose last item is lost",
       "The compiler never reads the last item of a file as a key, whatever it is. "
       "Files end with the header [fine] so that the item lost is that header; here "
       "the last item is something else, a row's key or a closing word, and it is "
       "lost.",
       {"the closing header written without its brackets",
        "a file without its closing [fine], ending with a row that takes no value"},
       {{P::kTrainFile, "a closing header without its brackets",
         "[generale]\n"
         "velocita,       0,    60\n"
         "numero vetture,    8\n"
         "fine",
         "[generale]\n"
         "velocita,       0,    60\n"
         "numero vetture,    8\n"
         "[fine]"}}},

      {"mixed-encoding",
       "a UTF-8 file with a byte that is not UTF-8",
       "A source may be in UTF-8 or in Windows-1252. This one holds UTF-8 "
       "characters and also a byte that UTF-8 does not allow, so the whole file "
       "is read as Windows-1252 and each of its UTF-8 characters becomes two or "
       "three characters in the simulator (CITTÀ shows as CITTÃ€). The note "
       "shows a UTF-8 character so read.",
       {"a file edited by two editors, one saving in UTF-8, the other in "
        "Windows-1252",
        "rows pasted from a file in another encoding"},
       {{P::kSketch, "a UTF-8 name beside a name saved in Windows-1252 (its È one byte)",
         "stazione, ... CITTÀ\nstazione, ... (the byte C8)ORA",
         "stazione, ... CITTÀ\nstazione, ... ÈORA"}}},

      {"control-character",
       "a control character in a name or sign text",
       "A station's name, a sign's text and the line name are shown by the simulator "
       "as they are stored. A control character (a byte below 32 other than the tab, "
       "DEL, or one of the five bytes Windows-1252 leaves unassigned, such as 9D) is "
       "no letter there, and a terminal that shows the compiled files (scenarioc dump, "
       "cat) takes ESC or BEL as a command. The compiler stores it all the same; "
       "every command of scenarioc shows it escaped, as \\x1B.",
       {"a name pasted from a terminal with its colour codes",
        "a file edited with an editor that inserted a control byte"},
       {{P::kSketch, "a station name holding ESC and a colour code (the byte 1B)",
         "stazione, ... PIANCORE(the byte 1B)[31m DI VALDENA",
         "stazione, ... PIANCORE DI VALDENA"}}},
      {"decimal-fraction",
       "a number with a decimal comma or point",
       "Numbers in the scenario files are whole. A decimal comma parts the number "
       "in two: the row is complete with the whole part, and the digits after the "
       "comma are read as the key of a row of their own, which matches nothing and "
       "is dropped without a word from the compiler. A decimal point makes a value "
       "that is no number at all (error 25). The warning says what the row keeps.",
       {"a value copied from a document written with decimal commas",
        "a fraction where a percentage or a whole number of units belongs"},
       {{P::kTrainData, "a braked mass written as a fraction with a decimal comma",
         "percentuale massa frenata,    0,95",
         "percentuale massa frenata,    95"},
        {P::kLineData, "a gradient with a decimal comma",
         "pendenza,  2500,   5,5",
         "pendenza,  2500,   6"}}},

      {"thousands-separator",
       "a number with a thousands separator",
       "A number runs up to the next blank, comma or line end and holds only "
       "digits, so 40.000 or 40'000 is no number to the compiler (error 25). "
       "Write the digits together.",
       {"a position copied from a printed table or a spreadsheet that groups "
        "thousands"},
       {{P::kLineData, "a position with a thousands dot",
         "pendenza,  12.000,   3",
         "pendenza,  12000,   3"}}},

      {"time-with-colons",
       "a time written with colons",
       "The clock and a station's time are three values, hours, minutes and "
       "seconds, each a whole number of its own. 9:58:00 is one item that is no "
       "number (error 25), and the values after it are taken from the next row.",
       {"a time written the way clocks and timetables print it"},
       {{P::kTrainData, "the clock with colons",
         "orologio,    9:58:00",
         "orologio,    9               58            0"}}},

      {"percent-sign",
       "a number with a per cent sign",
       "The braked mass is a percentage, written as a whole number without its "
       "sign: 95% is no number to the compiler (error 25).",
       {"the sign written as on the train's papers"},
       {{P::kTrainData, "a braked mass with its sign",
         "percentuale massa frenata,    95%",
         "percentuale massa frenata,    95"}}},

      {"semicolons",
       "values parted by semicolons",
       "Values are parted by commas. A row whose values are parted by semicolons, "
       "as a spreadsheet saves them in many countries, is one key to the compiler: "
       "it still names its keyword, which then takes its values from the lines "
       "after it.",
       {"rows exported from a spreadsheet as CSV with semicolons"},
       {{P::kTrainData, "a speed row from a spreadsheet",
         "velocita;0;60",
         "velocita,       0,    60"}}},

      {"kilometres",
       "a position or length in kilometres",
       "Positions and lengths are whole metres from the start of the line. A "
       "value with a decimal point, or with km after it, where metres belong is "
       "most likely kilometres; the compiler cannot read it (error 25). The "
       "warning gives the metres.",
       {"positions copied from a timetable that gives kilometres"},
       {{P::kTrainData, "a slow-down placed in kilometres",
         "rallentamento,  21.5,  30,  500,  0,  1,  0",
         "rallentamento,  21500,  30,  500,  0,  1,  0"}}},

      {"route-length",
       "a route length that the items lie far past",
       "The route length of the general data makes the route: every item must lie "
       "on it. When the items of the scenario lie beyond the route, each of them "
       "is an error at its own row, while the mistake is the length. The warning "
       "stands at the length's row and counts the items past it; a length below "
       "1000 m with items further on is most likely kilometres.",
       {"the length written in kilometres", "a zero or two left out"},
       {{P::kLineFile, "a length in kilometres",
         "[generale]\n"
         "lunghezza percorso,    40\n"
         "[pendenze]\n"
         "pendenza,   0,    0\n"
         "pendenza,   12000,    3\n"
         "[fine]",
         "[generale]\n"
         "lunghezza percorso,    40000\n"
         "[pendenze]\n"
         "pendenza,   0,    0\n"
         "pendenza,   12000,    3\n"
         "[fine]"}}},

      {"other-line",
       "a train file named for another line",
       "A train file N_T-.txt names its line N. When the line file beside it is "
       "named for another line, the train was most likely written for that other "
       "line, and its positions and stations belong to another railway. The "
       "compiled files take the line name from the line file.",
       {"the wrong train file given on the command line",
        "a train file copied from another scenario and not renamed"},
       {{P::kSketch, "a train of the line Borgo compiled with the line Collina",
         "scenarioc check Collina_linea.txt Borgo_123-.txt",
         "scenarioc check Collina_linea.txt Collina_123-.txt"}}},

      {"repeated-setting",
       "a value of the general data given twice",
       "The values of the general data (the route length, the progressives, the "
       "background values, the signal repetition) and the train's own values "
       "(coaches, braked mass, clock, sand) are each given once. A second row "
       "replaces the first without a word; a second route length makes the route "
       "anew.",
       {"a row pasted twice", "an old value left above the new one"},
       {{P::kTrainData, "two numbers of coaches",
         "numero vetture,    8\n"
         "numero vetture,    12",
         "numero vetture,    12"}}},

      {"reversed-stretch",
       "a stretch that ends before it starts",
       "A mountain stretch and the signal repetition run from their first value to "
       "their second, a slow-down from its start over its length. One that ends "
       "before it starts covers nothing: no cell is written for it (a slow-down of "
       "negative length writes its end before its start).",
       {"the two ends swapped", "a digit left out of the end"},
       {{P::kLineData, "a mountain stretch with a digit missing at its end",
         "montagna,   14000,  1650,  11",
         "montagna,   14000,  16500,  11"}}},

      {"stretch-outside",
       "a stretch past the end of the line",
       "The signal repetition is a stretch of the line; an end past the line's "
       "length lies where there is no line.",
       {"a zero too many", "a stretch copied from a longer line"},
       {{P::kLineGeneral, "a zero too many",
         "ripetizione segnali 9 codici,    0,    400000",
         "ripetizione segnali 9 codici,    0,    40000"}}},

      {"zero-length",
       "a curve or a mountain stretch of length 0",
       "A curve of length 0 bends nothing, and a mountain stretch that ends where "
       "it starts covers no cell: the row does nothing.",
       {"a value left out and read as 0", "the end written as the start"},
       {{P::kLineData, "a curve of length 0",
         "curvad2,  4000,  0",
         "curvad2,  4000,  1500"}}},

      {"curve-side",
       "a curve key with both side letters, or neither",
       "A curve's key names its side by a letter: any key that holds an s (in "
       "either case, anywhere) bends left, any other right. A key that holds both "
       "d and s, such as curva destra, bends left; one that holds neither bends "
       "right without saying so.",
       {"the side written as a word", "the side letter left out"},
       {{P::kLineData, "the side written as a word",
         "curva destra 4,  4000,  1500",
         "curvad4,  4000,  1500"}}},

      {"curve-class",
       "a curve key with more than one digit",
       "A curve's class is the first of the digits 1 to 6 in its key; any other "
       "digit is not read. A key such as curvas300 is class 3, whatever the "
       "author meant by 300 (a radius of 300 m is about class 6).",
       {"the radius written in the key instead of the class"},
       {{P::kLineData, "a radius in the key",
         "curvas300,  4000,  1500",
         "curvas6,  4000,  1500"}}},

      {"first-row-late",
       "a speed or adhesion list that does not begin at 0",
       "A speed or adhesion row fills the cells from the row before it; before "
       "the first row the cells get 0. A first speed row past 0 leaves the start "
       "of the line at 0 km/h, where the train cannot move; a first adhesion row "
       "past 0 leaves the wheels no grip there.",
       {"the first row left out", "the first row given the position of a signal"},
       {{P::kTrainData, "a speed list that starts at 1100 m",
         "velocita,    1100,   100",
         "velocita,       0,   100"}}},

      {"zero-speed",
       "a speed of 0 km/h where the train must pass",
       "A speed limit, a slow-down or a board of 0 km/h stops the train where it "
       "stands in force. Before the last station the train cannot pass it.",
       {"a value left out and read as 0", "a speed of the other direction left empty"},
       {{P::kLineData, "a board whose first speed is left out",
         "indicatori_vmax,  1100,  0,  90,  100,  0,  ,  ,  ,  0",
         "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0"}}},

      {"slow-down-not-slower",
       "a slow-down not below the speed limit",
       "A slow-down lowers the speed limit over its length. One whose speed is at "
       "or above the speed limit in force where it starts slows nothing, though "
       "it is shown to the driver.",
       {"the line speed written instead of the slow-down's",
        "the slow-down placed at another position than meant"},
       {{P::kTrainData, "a slow-down faster than the line",
         "velocita,       0,    60\n"
         "rallentamento,  21000,  80,  500,  0,  1,  0",
         "velocita,       0,    60\n"
         "rallentamento,  21000,  30,  500,  0,  1,  0"}}},

      {"slow-down-outside",
       "a slow-down past the end of the line or the last station",
       "A slow-down runs from its start over its length. One that ends past the "
       "end of the line lies partly where there is no line; one that reaches past "
       "the last station, when that station ends the run (kinds 5 and 6), lies "
       "where the run has ended.",
       {"a length in another unit", "a slow-down copied from a longer line"},
       {{P::kTrainData, "a slow-down past the end of a 40000 m line",
         "rallentamento,  39800,  30,  500,  0,  1,  0",
         "rallentamento,  39000,  30,  500,  0,  1,  0"}}},

      {"slow-down-short",
       "a slow-down shorter than a cell",
       "The route is kept in cells of 50 m, and a slow-down's start and end each "
       "take a cell. A slow-down shorter than 50 m is no stretch the driver can "
       "see; the length is most likely in another unit.",
       {"the length in hundreds of metres or in kilometres"},
       {{P::kTrainData, "a length of 30 m",
         "rallentamento,  21000,  30,  30,  0,  1,  0",
         "rallentamento,  21000,  30,  500,  0,  1,  0"}}},

      {"slow-down-unwarned",
       "a slow-down within the first 1500 m",
       "A slow-down has a warning board 1200 m before its start, and approach "
       "cells in front of the board; within the first 1500 m of the line neither "
       "is written, so the driver meets the slow-down unwarned.",
       {"a slow-down meant near the start of the run without its board",
        "a position with a digit left out"},
       {{P::kTrainData, "a slow-down at 1000 m",
         "rallentamento,  1000,  30,  500,  0,  1,  0",
         "rallentamento,  2000,  30,  500,  0,  1,  0"}}},

      {"station-area",
       "a station longer than any station area",
       "A station's length shapes its area and its stop. Station areas are at "
       "most about 1500 m long; a longer one reaches far over the line and moves "
       "the stop with it.",
       {"a zero too many", "the station's position written as its length"},
       {{P::kTrainData, "a station of 6000 m",
         "stazione,   12000,  2,  6000,  0, 0, 0,  1,1,0,  4,1,1,   60,   0, 0, 0, COLLE ALTO",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   0, 0, 0, COLLE ALTO"}}},

      {"duplicate-station",
       "a station named twice",
       "Each station of a run has a name of its own; the same name twice is most "
       "likely a row pasted twice and changed in part.",
       {"a row pasted twice"},
       {{P::kTrainData, "a row pasted twice, its position changed",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   0, 0, 0, COLLE ALTO\n"
         "stazione,   18000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   0, 0, 0, COLLE ALTO",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   0, 0, 0, COLLE ALTO\n"
         "stazione,   18000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   0, 0, 0, PIAN DEL LAGO"}}},

      {"time-backwards",
       "a station time earlier than the one before",
       "Stations are listed along the line, so their times ascend. A time earlier "
       "than that of a station before it asks the train to arrive before it left. "
       "After midnight, hours go on from 24.",
       {"two times swapped", "a slip in the hours"},
       {{P::kTrainData, "a time before the station's before it",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,28, 0, COLLE ALTO\n"
         "stazione,   18000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,15, 0, PIAN DEL LAGO",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,28, 0, COLLE ALTO\n"
         "stazione,   18000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,45, 0, PIAN DEL LAGO"}}},

      {"implausible-time",
       "a station time far after the one before",
       "A station's time more than 12 hours after the time before it (or after "
       "the clock) is no run of one train, nor is a leg of more than 3 hours "
       "that takes over 20 times the fastest run the line's speed limits allow: "
       "most likely the hours and the minutes are swapped, or the hours hold a "
       "slip.",
       {"hours and minutes swapped", "a digit too many in the hours"},
       {{P::kTrainData, "hours and minutes swapped",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   14,05, 0, COLLE ALTO\n"
         "stazione,   18000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   35,14, 0, PIAN DEL LAGO",
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   14,05, 0, COLLE ALTO\n"
         "stazione,   18000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   14,35, 0, PIAN DEL LAGO"}}},

      {"clock-after-departure",
       "a clock that starts after the first departure",
       "The clock gives the time at which the run starts; the first station's "
       "time is when the train leaves. A clock later than it starts the train "
       "late before it moves.",
       {"the clock copied from another run", "a slip in the minutes"},
       {{P::kTrainData, "a clock 15 minutes late",
         "orologio,    7               30            0\n"
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,15, 0, COLLINA CENTRALE",
         "orologio,    7               10            0\n"
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,15, 0, COLLINA CENTRALE"}}},

      {"timetable-too-tight",
       "less time between two stations than the speed limits allow",
       "From the speed limits and the slow-downs along the line the compiler works "
       "out the fastest run between two timed stations: every metre at the limit "
       "in force, with no time for accelerating, braking or stopping. That is a "
       "lower bound no driver can beat, so a timetable that gives less time "
       "cannot be kept. The warning gives both figures.",
       {"a time copied from a faster train", "a slip in the minutes",
        "a speed limit lower than meant"},
       {{P::kTrainData, "12 km at 60 km/h in 5 minutes",
         "velocita,       0,    60\n"
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,15, 0, COLLINA CENTRALE\n"
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,20, 0, COLLE ALTO",
         "velocita,       0,    60\n"
         "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,15, 0, COLLINA CENTRALE\n"
         "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,28, 0, COLLE ALTO"}}},
  };
  return entries;
}

constexpr size_t kWidth = 78;

// Writes one line of `text` wrapped at kWidth, the first line after
// `first`, the others after `rest`.
void wrap(std::string_view text, std::string_view first, std::string_view rest,
          std::ostream& out) {
  std::string line(first);
  bool empty = true;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    size_t end = text.find(' ', i);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(i, end - i);
    if (!empty && line.size() + 1 + word.size() > kWidth) {
      out << line << '\n';
      line = std::string(rest);
      empty = true;
    }
    if (!empty) line += ' ';
    line += word;
    empty = false;
    i = end;
  }
  out << line << '\n';
}

// Paragraphs are separated by a blank line; a line that starts with "- " is
// an item of a list, its continuation indented under its text.
void print_paragraphs(std::string_view text, std::ostream& out) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (line.empty()) out << '\n';
    else if (line.substr(0, 2) == "- ") wrap(line.substr(2), "  - ", "    ", out);
    else wrap(line, "", "", out);
    start = end + 1;
  }
}

void print_rows(std::string_view rows, std::ostream& out) {
  size_t start = 0;
  while (start <= rows.size()) {
    size_t end = rows.find('\n', start);
    if (end == std::string_view::npos) end = rows.size();
    out << "    " << rows.substr(start, end - start) << '\n';
    start = end + 1;
  }
}

std::string_view where(ExamplePlace place) {
  switch (place) {
    case P::kLineGeneral: return "In the general data of a line file, after [generale]:";
    case P::kLineData: return "In the line data of a line file:";
    case P::kTrainData: return "In a train file:";
    case P::kLineFile: return "A line file:";
    case P::kTrainFile: return "A train file:";
    case P::kCommandLine: return "On the command line:";
    case P::kSketch: return "In a train file:";
  }
  return "";
}

// The small scenario that examples are compiled in.
constexpr std::string_view kLineHead = "[generale]\r\nlunghezza percorso,    40000\r\n";
constexpr std::string_view kLineData = "[pendenze]\r\npendenza,   0,    0\r\n";
constexpr std::string_view kEnd = "[fine]\r\n";

std::string with_crlf(std::string_view rows) {
  std::string out;
  for (char c : rows) {
    if (c == '\n') out += '\r';
    out += c;
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

}  // namespace

std::span<const Explanation> explanations() { return table(); }

const Explanation* find_explanation(std::string_view key) {
  for (const Explanation& e : table())
    if (e.key == key) return &e;
  return nullptr;
}

ExampleSources example_sources(ExamplePlace place, std::string_view rows) {
  const std::string line_data = std::string(kLineData) + std::string(kEnd);
  ExampleSources s;
  s.line = std::string(kLineHead) + line_data;
  s.train = "[generale]\r\n" + std::string(kEnd);
  switch (place) {
    case P::kLineGeneral:
      s.line = std::string(kLineHead) + with_crlf(rows) + line_data;
      break;
    case P::kLineData:
      s.line = std::string(kLineHead) + std::string(kLineData) + with_crlf(rows) +
               std::string(kEnd);
      break;
    case P::kTrainData:
      s.train = "[generale]\r\n" + with_crlf(rows) + std::string(kEnd);
      break;
    case P::kLineFile: s.line = with_crlf(rows); break;
    case P::kTrainFile: s.train = with_crlf(rows); break;
    case P::kCommandLine:
    case P::kSketch: break;
  }
  return s;
}

bool is_warning_entry(const Explanation& e) { return warning_named(e.key).has_value(); }

void print_explanation(const Explanation& e, std::ostream& out) {
  const std::string kind = is_warning_entry(e) ? "warning " : "error ";
  out << kind << e.key << ": " << e.title << "\n\n";
  print_paragraphs(e.meaning, out);
  if (!e.causes.empty()) {
    out << "\nUsual causes:\n";
    for (std::string_view c : e.causes) wrap(c, "  - ", "    ", out);
  }
  for (const ExplainExample& x : e.examples) {
    out << '\n';
    wrap("Example, " + std::string(x.caption) + ". " + std::string(where(x.place)), "", "",
         out);
    out << '\n';
    print_rows(x.wrong, out);
    out << "\ngives " << kind << e.key << ". Mended:\n\n";
    print_rows(x.right, out);
  }
}

const Keyword* find_keyword(std::string_view key) {
  for (const Keyword& k : keyword_table())
    if (k.key == key) return &k;
  for (const Keyword& k : keyword_table())
    for (std::string_view w : k.words)
      if (!w.empty() && w == key) return &k;
  return nullptr;
}

void print_keyword(const Keyword& k, std::ostream& out) {
  const bool header = k.section == KeySection::kHeader;
  const std::string file = k.in_both_files ? "both files"
                           : k.file == SourceRole::kLine
                               ? (k.section == KeySection::kGeneral ? "the general data of a line file"
                                                                    : "a line file")
                               : "a train file";
  out << (header ? "header " : "key ") << k.key << ": " << k.description << "\n\n";
  std::string found = "Read in " + file + ". ";
  if (!header) {
    found += "A key is this one when it contains '" + std::string(k.words[0]) + "'" +
             (k.words[1].empty() ? "" : " and '" + std::string(k.words[1]) + "'") +
             (k.case_sensitive ? ", written in lower case." : ", in any letter case.");
  }
  wrap(found, "", "", out);
  for (const KeyVariant& v : k.variants) wrap(std::string(v.text) + ": " + std::string(v.meaning), "  - ", "    ", out);
  if (!k.values.empty()) {
    out << "\nIts values, in order:\n";
    for (const ValueSpec& v : k.values) {
      std::string line = std::string(v.name) + (v.unit.empty() ? "" : " (" + std::string(v.unit) + ")") +
                         ": " + std::string(v.meaning);
      wrap(line, "  - ", "    ", out);
    }
  }
  if (!k.example.empty()) {
    out << "\nExample:\n\n";
    print_rows(k.example, out);
  }
  out << "\ndocs/format.md tells every key and value of the files.\n";
}

std::vector<const Explanation*> explanations_in_order() {
  std::vector<const Explanation*> sorted;
  for (const Explanation& e : table()) sorted.push_back(&e);
  const auto number = [](std::string_view k) {
    return k.find_first_not_of("0123456789") == std::string_view::npos ? std::stol(std::string(k))
                                                                       : LONG_MAX;
  };
  std::stable_sort(sorted.begin(), sorted.end(), [&](const Explanation* a, const Explanation* b) {
    return number(a->key) < number(b->key);
  });
  return sorted;
}

void print_explanation_index(std::ostream& out) {
  const std::vector<const Explanation*> sorted = explanations_in_order();
  size_t width = 0;
  for (const Explanation* e : sorted) width = std::max(width, e->key.size());
  out << "error codes:\n";
  for (const Explanation* e : sorted)
    if (!is_warning_entry(*e))
      out << "  " << e->key << std::string(width - e->key.size() + 3, ' ') << e->title << '\n';
  out << "\nwarnings (-Wno-NAME turns one off):\n";
  for (const Explanation* e : sorted)
    if (is_warning_entry(*e))
      out << "  " << e->key << std::string(width - e->key.size() + 3, ' ') << e->title << '\n';
  out << "\n'scenarioc explain CODE' or 'scenarioc explain NAME' tells what one means,\n"
         "its usual causes, and a wrong row beside its fix; 'scenarioc explain KEY'\n"
         "tells a key of the files, such as 'scenarioc explain stazione'.\n"
         "docs/format.md describes the files.\n";
}

bool explain(const std::optional<std::string>& key, std::ostream& out) {
  if (!key) {
    print_explanation_index(out);
    return true;
  }
  if (const Explanation* e = find_explanation(*key)) {
    print_explanation(*e, out);
    return true;
  }
  if (const Keyword* k = find_keyword(*key)) {
    print_keyword(*k, out);
    return true;
  }
  return false;
}

}  // namespace scenarioc
