#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "dialworks/host/Buffers.h"
#include "dialworks/host/DateTime.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/host/Locks.h"

using namespace dw;

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(Helpers, MinMaxLimits) {
  // Ends in either order; NaN becomes the lower end; a NaN end limits nothing on its side; with
  // AApply false (loading) nothing is limited.
  const struct {
    double In, Lo, Hi;
    bool Apply, Changed;
    double Out;
  } cases[] = {{120, 0, 100, true, true, 100},    {-3, 0, 100, false, false, -3}, {-3, 0, 100, true, true, 0},
               {50, 100, 0, true, false, 50},     {150, 100, 0, true, true, 100}, {NaN, 10, 20, true, true, 10},
               {1e9, NaN, 20, true, true, 20},    {-1e9, NaN, 20, true, false, -1e9}, {Inf, 0, 1, true, true, 1}};
  for (const auto& c : cases) {
    double v = c.In;
    EXPECT_EQ(RXMinMax(v, c.Lo, c.Hi, c.Apply), c.Changed) << c.In << " " << c.Lo << " " << c.Hi;
    EXPECT_EQ(v, c.Out) << c.In << " " << c.Lo << " " << c.Hi;
  }
  float f = 2.5f;
  RXMinMax(f, 0.f, 1.f, true);
  EXPECT_EQ(f, 1.f);
  int64_t i = -4;
  RXMinMax(i, int64_t(0), int64_t(9), true);
  EXPECT_EQ(i, 0);
}

TEST(Helpers, AngleFoldingAtTheBoundaries) {
  struct {
    double in, fold, small;
  } cases[] = {{0, 0, 0},       {360, 0, 0},        {-360, 0, 0},     {180, 180, 180},
               {-180, 180, 180}, {540, 180, 180},   {-540, 180, 180}, {181, 181, -179},
               {-181, 179, 179}, {359.5, 359.5, -0.5}, {720.25, 0.25, 0.25}, {-90, 270, -90},
               {3600090, 90, 90}};
  for (auto& c : cases) {
    EXPECT_DOUBLE_EQ(RXNormalizeAngle(c.in), c.fold) << c.in;
    EXPECT_DOUBLE_EQ(RXNormalizeSmallAngle(c.in), c.small) << c.in;
    EXPECT_FLOAT_EQ(RXNormalizeAngle(float(c.in)), float(c.fold)) << c.in;
  }
  // A tiny negative angle folds below 360, never to 360 itself.
  const float tiny = RXNormalizeAngle(-1e-6f);
  EXPECT_GE(tiny, 0.f);
  EXPECT_LT(tiny, 360.f);
  EXPECT_LT(RXNormalizeAngle(-1e-20), 360.0);
  EXPECT_EQ(RXNormalizeAngle(NaN), 0);
  EXPECT_EQ(RXNormalizeSmallAngle(-Inf), 0);
  EXPECT_FLOAT_EQ(RXGetRadian(180.f), 3.14159265f);
  EXPECT_DOUBLE_EQ(RXGetDegree(M_PI / 2), 90.0);
  EXPECT_FLOAT_EQ(RXGetRadian(90), 1.5707964f);  // integers convert as float
}

TEST(Helpers, RoundHalfEven) {
  const double table[][2] = {{0.5, 0},   {1.5, 2},   {2.5, 2},     {-0.5, 0},  {-1.5, -2},
                             {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {1e300, 1e300}, {7, 7}};
  for (auto& t : table) EXPECT_EQ(RXRoundHalfEven(t[0]), t[1]) << t[0];
  EXPECT_TRUE(std::isnan(RXRoundHalfEven(NaN)));
  EXPECT_EQ(RXRoundHalfEven(3.5f), 4.f);
  EXPECT_EQ(RXRoundHalfEvenToInt(NaN), 0);
  EXPECT_EQ(RXRoundHalfEvenToInt(1e20), std::numeric_limits<int>::max());
  EXPECT_EQ(RXRoundHalfEvenToInt(-1e20), std::numeric_limits<int>::min());
  EXPECT_EQ(RXRoundHalfEvenToInt64(-Inf), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(RXRoundHalfEvenToInt64(4503599627370497.0), 4503599627370497);
}

TEST(DateTime, EncodeDecodeAndParts) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDateTime(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDateTime(2024, 1, 1), 45292);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25);  // negative days, positive time
  EXPECT_EQ(EncodeDateTime(2023, 2, 29), 0);                   // invalid: no leap day
  EXPECT_EQ(EncodeDateTime(2024, 13, 1), 0);
  EXPECT_EQ(EncodeTime(25, 0), 0);

  const TDateTime t = EncodeDateTime(2024, 2, 29, 23, 59, 58, 999);
  EXPECT_EQ(DecodeDateTime(t), (TDateTimeParts{2024, 2, 29, 23, 59, 58, 999}));
  EXPECT_EQ(HourOf(t), 23);
  EXPECT_EQ(MinuteOf(t), 59);
  EXPECT_EQ(SecondOf(t), 58);
  EXPECT_EQ(MilliSecondOf(t), 999);
  EXPECT_EQ(SecondOfTheDay(t), 86398);
  EXPECT_EQ(MilliSecondOfTheDay(t), 86398999);
  EXPECT_EQ(DecodeDateTime(-1.25), (TDateTimeParts{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_DOUBLE_EQ(TimeOf(-1.25), 0.25);
  // Just below midnight rounds into the next day, not to 24:00.
  EXPECT_EQ(DecodeDateTime(45292 - 1e-10), (TDateTimeParts{2024, 1, 1, 0, 0, 0, 0}));
  // Every millisecond of a day survives encode and decode.
  for (int ms = 0; ms < 86400000; ms += 997) {
    const TDateTime v = EncodeDateTime(2031, 7, 15) + ms / MSecsPerDay;
    ASSERT_EQ(MilliSecondOfTheDay(v), ms);
  }
  // Nonsense decodes to the epoch instead of garbage.
  EXPECT_EQ(DecodeDateTime(NaN), TDateTimeParts{});
  EXPECT_EQ(DecodeDateTime(1e300), TDateTimeParts{});
  EXPECT_EQ(HourOf(-Inf), 0);
  EXPECT_TRUE(IsLeapYear(2000) && !IsLeapYear(1900) && IsLeapYear(2024));
}

TEST(DateTime, IsoText) {
  EXPECT_EQ(DateTimeToISO(EncodeDateTime(2024, 3, 5, 14, 7, 9, 250)), "2024-03-05T14:07:09.250");
  EXPECT_EQ(DateTimeToISO(0), "1899-12-30T00:00:00.000");
  TDateTime v = -1;
  ASSERT_TRUE(ISOToDateTime("2024-03-05T14:07:09.250", v));
  EXPECT_EQ(DateTimeToISO(v), "2024-03-05T14:07:09.250");
  ASSERT_TRUE(ISOToDateTime("2024-03-05", v));
  EXPECT_EQ(v, EncodeDateTime(2024, 3, 5));
  ASSERT_TRUE(ISOToDateTime("2024-03-05 14:07", v));
  EXPECT_EQ(DateTimeToISO(v), "2024-03-05T14:07:00.000");
  ASSERT_TRUE(ISOToDateTime("2024-12-31T23:59:59.9996", v));  // carries into the next year
  EXPECT_EQ(DateTimeToISO(v), "2025-01-01T00:00:00.000");
  ASSERT_TRUE(ISOToDateTime("1899-12-29T06:00:00", v));
  EXPECT_DOUBLE_EQ(v, -1.25);
  for (const char* bad : {"", "2024", "2024-3-05", "2024-02-30", "2024-03-05T", "2024-03-05T25:00",
                          "2024-03-05T12:60", "2024-03-05T12:00:00Z", "2024-03-05T12:00:00.",
                          "2024-03-05T12:00:00+01:00", "x024-03-05", "2024-03-05T12:00:00.1234567890"}) {
    v = 7;
    EXPECT_FALSE(ISOToDateTime(bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
  }
  EXPECT_GT(SystemNow(), EncodeDateTime(2020, 1, 1));
}

TEST(Buffers, RealIntegerAndByteBuffers) {
  TMZRealBuffer r(3);
  EXPECT_EQ(r.Size(), 3u);
  EXPECT_EQ(r.Item(2), 0);
  EXPECT_TRUE(r.SetItem(1, 2.5));
  EXPECT_FALSE(r.SetItem(3, 1));  // out of range: ignored
  EXPECT_EQ(r.Item(99), 0);
  r.Resize(5);  // keeps data, new items 0
  EXPECT_EQ(r, (TMZRealBuffer{0, 2.5, 0, 0, 0}));
  r.Resize(2);
  EXPECT_EQ(r, (TMZRealBuffer{0, 2.5}));

  TMZRealBuffer src{-1.5, 2.5, 3.5, NaN, 1e20, -1e20};
  TMZIntegerBuffer ints(src);  // halves to even, NaN 0, limited
  EXPECT_EQ(ints, (TMZIntegerBuffer{-2, 2, 4, 0, 2147483647, -2147483647 - 1}));
  TMZByteBlockBuffer bytes(src);
  EXPECT_EQ(bytes, (TMZByteBlockBuffer{0, 2, 4, 0, 255, 0}));
  TMZRealBuffer back(bytes);
  EXPECT_EQ(back.Item(4), 255);
  auto clone = ints.Clone();
  EXPECT_EQ(clone->RealItem(2), 4);
  ints.Zero();
  EXPECT_EQ(ints.Item(2), 0);
  EXPECT_EQ(clone->RealItem(2), 4);  // a real copy

  TMZRealBuffer empty(0);
  TMZIntegerBuffer fromEmpty(empty);
  EXPECT_TRUE(fromEmpty.Empty());
  empty.Zero();
  empty.Resize(0);
  EXPECT_EQ(empty.RealItem(0), 0);
  empty.Assign(empty);  // self
  TMZRealBuffer fromNull(nullptr, 5);
  EXPECT_TRUE(fromNull.Empty());
}

TEST(Locks, CriticalSectionAndReadWriteLock) {
  TCriticalSection cs;
  int counter = 0;
  // Recursive, returns the closure's result, releases on exceptions.
  EXPECT_EQ(cs.Execute([&] { return cs.Execute([&] { return ++counter; }); }), 1);
  EXPECT_THROW(cs.Execute([]() -> int { throw 1; }), int);
  std::thread probe([&] {
    EXPECT_TRUE(cs.TryEnter());
    cs.Leave();
  });
  probe.join();

  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) cs.Execute([&] { ++counter; });
    });
  for (auto& w : workers) w.join();
  EXPECT_EQ(counter, 4001);

  TReadWriteLock rw;
  std::vector<int> data(8, 0);
  workers.clear();
  for (int t = 0; t < 2; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < 500; ++i) rw.ExecuteWrite([&] {
          for (auto& d : data) ++d;
        });
    });
  for (int t = 0; t < 2; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < 500; ++i)
        rw.ExecuteRead([&] {
          for (auto& d : data) EXPECT_EQ(d, data[0]);  // never half-written
        });
    });
  for (auto& w : workers) w.join();
  EXPECT_EQ(data[7], 1000);
  rw.ReadLock();
  EXPECT_FALSE(rw.TryWriteLock());
  EXPECT_TRUE(rw.TryReadLock());
  rw.ReadUnlock();
  rw.ReadUnlock();
  EXPECT_TRUE(rw.TryWriteLock());
  rw.WriteUnlock();
}
