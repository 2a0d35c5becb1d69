#include <gtest/gtest.h>

#include <climits>

#include "compiler/cell_writers.h"
#include "compiler/runtime_failure.h"
#include "route_fixture.h"

namespace scenarioc {
namespace {

using MemoSegnale = RouteTest;

// The values of a line "segnale, 23850, 1, 4, 0, 0, 0, 1, 1,0,0, 0" at another place.
int32_t plain_signal(Scenario& s, int32_t posizione) {
  int32_t tempo = 0;
  return memo_segnale(s, posizione, 1, 4, 0, 0, 0, 1, 1, 0, 0, tempo);
}

TEST_F(MemoSegnale, SignalAndItsFourRepeatCells) {
  int32_t tempo = 0;
  EXPECT_EQ(memo_segnale(s, 23850, 1, 4, 0, 0, 0, 1, 1, 0, 0, tempo), 0);
  const RouteCell& c = cell(478);
  EXPECT_EQ(c.kind, kSignal);
  EXPECT_EQ(c.code4, 4);
  EXPECT_EQ(c.code1, 41);
  EXPECT_EQ(c.code2, 0);
  EXPECT_EQ(c.code3, 0);
  EXPECT_EQ(c.signal_time, 0);
  EXPECT_EQ(tempo, 0);
  EXPECT_EQ(cell(476).repeat_code, 41);
  EXPECT_EQ(cell(474).repeat_code, 42);
  EXPECT_EQ(cell(472).repeat_code, 43);
  EXPECT_EQ(cell(470).repeat_code, 44);
  // Only every second cell carries a repeat code, and nothing else changes.
  for (int odd : {469, 471, 473, 475, 477, 479}) EXPECT_EQ(cell(odd).repeat_code, 0);
  for (int c2 : {470, 472, 474, 476}) EXPECT_EQ(cell(c2).kind, kEmpty);
}

TEST_F(MemoSegnale, AllFourValuesAndTheirCodes) {
  int32_t tempo = 0;
  ASSERT_EQ(memo_segnale(s, 5000, 2, 1, 2, 3, 4, 2, 5, 6, 7, tempo), 0);
  const RouteCell& c = cell(101);
  EXPECT_EQ(c.code1, 15);
  EXPECT_EQ(c.code2, 26);
  EXPECT_EQ(c.code3, 37);
  EXPECT_EQ(c.code4, 48);  // rapp * 10 + sx * 3 + dx
  EXPECT_EQ(cell(99).repeat_code, 81);  // (sx * 3 + dx) * 10 + 1
  EXPECT_EQ(cell(93).repeat_code, 84);
}

TEST_F(MemoSegnale, HalfCellsRoundToEvenAndTheSecondSignalCollides) {
  EXPECT_EQ(plain_signal(s, 1125), 0);  // 23.5 + 1 rounds to 24
  EXPECT_EQ(cell(24).kind, kSignal);
  const std::string before = image();
  int32_t tempo = 50;
  EXPECT_EQ(memo_segnale(s, 1175, 2, 9, 9, 9, 9, 2, 9, 9, 9, tempo), 16);  // 24.5 -> 24
  EXPECT_EQ(image(), before) << "a refused signal writes nothing, not even repeat codes";
  EXPECT_EQ(tempo, 50);
  EXPECT_TRUE(s.failures.empty());
}

TEST_F(MemoSegnale, EveryOccupantButTheMountainMarkerRefusesTheSignal) {
  for (uint8_t kind : {1, 2, 3, 4, 5, 6, 10, 12, 13, 14}) {
    cell(101).kind = kind;
    EXPECT_EQ(plain_signal(s, 5000), 16) << "kind " << int{kind};
    EXPECT_EQ(cell(101).kind, kind);
  }
  cell(101).kind = kMountainMarker;
  cell(101).mountain = 2;
  EXPECT_EQ(plain_signal(s, 5000), 0);
  EXPECT_EQ(cell(101).kind, kSignal);
  EXPECT_EQ(cell(101).mountain, 2);
}

TEST_F(MemoSegnale, RepeatCodesGoOverWhateverOccupiesTheirCells) {
  cell(99).kind = kSpeedBoard;
  cell(99).code1 = 1600;
  cell(97).kind = kSignal;
  cell(97).repeat_code = 77;
  EXPECT_EQ(plain_signal(s, 5000), 0);
  EXPECT_EQ(cell(99).kind, kSpeedBoard);
  EXPECT_EQ(cell(99).code1, 1600);
  EXPECT_EQ(cell(99).repeat_code, 41);
  EXPECT_EQ(cell(97).kind, kSignal);
  EXPECT_EQ(cell(97).repeat_code, 42);
}

TEST_F(MemoSegnale, SignalTime) {
  struct Case {
    int32_t sx, tempo, tempo_after;
    uint8_t signal_time;
  };
  const Case cases[] = {
      {2, 50, 101, 101}, {2, 1, 101, 101},  {2, 100, 101, 101},
      {2, 0, 0, 0},      {2, 101, 101, 101}, {2, 300, 300, 44},  // low 8 bits
      {2, -5, -5, 251},  {1, 50, 101, 0},    {3, 300, 300, 0},
  };
  int32_t at = 5000;
  for (const Case& c : cases) {
    int32_t tempo = c.tempo;
    ASSERT_EQ(memo_segnale(s, at, c.sx, 1, 0, 0, 0, 0, 0, 0, 0, tempo), 0);
    EXPECT_EQ(tempo, c.tempo_after) << "sx " << c.sx << " tempo " << c.tempo;
    EXPECT_EQ(cell(at / 50 + 1).signal_time, c.signal_time)
        << "sx " << c.sx << " tempo " << c.tempo;
    at += 1000;
  }
}

TEST_F(MemoSegnale, WideValuesKeepTheirLowBits) {
  int32_t tempo = 0;
  ASSERT_EQ(memo_segnale(s, 5000, INT_MAX, INT_MAX, INT_MIN, 3277, INT_MAX, INT_MAX,
                         INT_MAX, INT_MIN, 0, tempo),
            0);
  const RouteCell& c = cell(101);
  EXPECT_EQ(c.code1, -11);      // 2^31 - 1 times 11
  EXPECT_EQ(c.code2, 0);        // -2^31 times 11
  EXPECT_EQ(c.code3, -32766);   // 32770
  EXPECT_EQ(c.code4, -14);      // (2^31 - 1) * 14
  EXPECT_EQ(cell(99).repeat_code, 217);
}

TEST_F(MemoSegnale, RepeatCellBeforeTheRouteFailsAfterTheCellsBeforeIt) {
  // Cell 7; its repeat cells would be 5, 3, 1 and -1.
  try {
    plain_signal(s, 300);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "the repeat cell 400 m before the signal at 300 m lies before the "
                 "start of the route (cell -1)");
  }
  EXPECT_EQ(cell(7).kind, kSignal);
  EXPECT_EQ(cell(5).repeat_code, 41);
  EXPECT_EQ(cell(3).repeat_code, 42);
  EXPECT_EQ(cell(1).repeat_code, 43);
  EXPECT_TRUE(s.failures.empty());
}

TEST_F(MemoSegnale, SignalOutsideTheRouteWritesNothing) {
  const std::string before = image();
  EXPECT_THROW(plain_signal(s, -100), RuntimeFailure);  // cell -1
  EXPECT_THROW(plain_signal(s, 100000), RuntimeFailure);  // cell 2001
  EXPECT_EQ(image(), before);
  try {
    plain_signal(s, 100000);
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "the signal at 100000 m lies past the end of the route (cell 2001, the "
                 "last is 2000)");
  }
  EXPECT_EQ(plain_signal(s, 99950), 0);  // the last cell
}

TEST(MemoSegnaleWithoutRoute, IsARuntimeFailure) {
  Scenario s;
  EXPECT_THROW(plain_signal(s, 5000), RuntimeFailure);
}

}  // namespace
}  // namespace scenarioc
