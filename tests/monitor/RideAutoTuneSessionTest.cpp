#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/LinkSeam.h"
#include "monitor/CEgoSensorTable.h"
#include "monitor/CRideAutoTuneSession.h"
#include "monitor/MonitorTestSupport.h"

namespace corvane {
namespace {

constexpr double kPeriod = 1.0 / 138.8;

// A linked module that takes the pushes while plugged in, and records them.
class SwitchableLink : public LinkSeam {
public:
  bool IsLinked() const override { return true; }
  bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) override {
    if (!plugged) return false;
    writes.push_back({address, static_cast<int>(bytes.size())});
    return true;
  }
  bool plugged = true;
  std::vector<std::pair<std::uint16_t, int>> writes;
};

CEgoSensorTable Table() {
  CEgoSensorTable table;
  table.Parse("10.0,0.0\n20.0,5.0\n", 5.0 / 1023.0);
  return table;
}

// A packet of a warm engine at (row, site) whose sensors read these AFRs.
std::vector<std::uint8_t> Block(double row, double site, double frontAfr, double rearAfr) {
  auto egoRaw = [](double afr) { return static_cast<int>(std::lround((afr - 10.0) / 10.0 * 1023.0)); };
  return test::BlockBuilder()
      .Set(4, static_cast<int>(std::lround(row * 256.0 / 16.0)))
      .Set(19, static_cast<int>(std::lround(site * 16.0)))
      .Set(21, static_cast<int>(std::lround((320.0 + 40.0) * 2.0)))
      .Set(30, egoRaw(frontAfr))
      .Set(31, egoRaw(rearAfr))
      .Block();
}

double Ride(CRideAutoTuneSession& session, double start, double seconds, double row, double site, double front, double rear) {
  const CEgoSensorTable table = Table();
  double t = start;
  for (; t < start + seconds; t += kPeriod) session.OnMonitorBlock(t, Block(row, site, front, rear), table);
  return t;
}

struct Doc {
  AppState app;
  SwitchableLink link;
  std::unique_ptr<CCorvaneMapsDoc> doc;
  // Every fuel point 300 (as if READ), the rear trims as a new document has them.
  explicit Doc(std::uint32_t productCode = 1) {
    app.productCode = productCode;
    doc = std::make_unique<CCorvaneMapsDoc>(app, nullptr, &link);
    if (productCode != 1) return;
    const int bytes = (300 >> 8) | (300 & 0xFF) << 8;   // the word as memory holds it, first byte lowest
    for (int row = 0; row < 32; ++row)
      for (int s = 0; s < 64; ++s) {
        Fuel(row).LoadPointFromModule(s, bytes);
        Fuel(row).LoadPointBaseFromModule(s, bytes);
      }
  }
  CModuleMap& Fuel(int row) { return *doc->GetMap(doc->FindMap(RideAutoTunePlan::FuelMapClass(row))); }
};

TEST(RideAutoTuneSessionTest, StartRideStopResumeAndDiscard) {
  Doc family;
  CRideAutoTuneSession session;
  const double t = Ride(session, 0.0, 2.0, 10, 20, 14.41, 14.41);
  EXPECT_EQ(session.Tune(), nullptr) << "packets before the start are not taken";
  EXPECT_EQ(session.StatusText(), "");
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  double end = Ride(session, t, 2.0, 10, 20, 14.41, 14.41);
  ASSERT_TRUE(session.Tune());
  const int ready = session.Tune()->ReadyCells();
  EXPECT_GE(ready, 1);
  EXPECT_NE(session.StatusText().find("collecting, 1 of 1 cells ready"), std::string::npos) << session.StatusText();
  session.Stop();
  end = Ride(session, end, 2.0, 12, 30, 14.41, 14.41);
  EXPECT_EQ(session.Tune()->CellsWithSamples(), 1) << "stopped: nothing taken";
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  Ride(session, end + 5.0, 2.0, 12, 30, 14.41, 14.41);
  EXPECT_EQ(session.Tune()->CellsWithSamples(), 2) << "resumed with what was gathered";
  EXPECT_NE(session.ReasonsText().find("too soon after a start or a gap"), std::string::npos);
  session.Discard();
  EXPECT_EQ(session.Tune(), nullptr);
  EXPECT_EQ(session.GetState(), CRideAutoTuneSession::State::Idle);
  Doc ignition(2);
  EXPECT_FALSE(session.Start(*ignition.doc, 13.1)) << "a family without a fuel table";
}

TEST(RideAutoTuneSessionTest, MarksShowEachCellsChangeAndWhetherItIsReady) {
  Doc family;
  CRideAutoTuneSession session;
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  double t = Ride(session, 0.0, 2.0, 10, 20, 14.41, 14.41 * 1.03);   // 10 % lean, rear 3 % more
  t = Ride(session, t + 5.0, 2.0, 14, 40, 11.79, 11.79);             // 10 % rich
  Ride(session, t + 5.0, 0.6, 20.5, 50.5, 14.41, 14.41);             // a touch between four cells: not ready
  const CTableOverlay fuel = session.Overlay(false);
  const auto lean = fuel.At(TableCell{10, 20});
  const auto rich = fuel.At(TableCell{14, 40});
  const auto gathering = fuel.At(TableCell{20, 50});
  ASSERT_TRUE(lean && rich && gathering);
  EXPECT_NEAR(lean->percent, 10.0, 0.3);
  EXPECT_EQ(lean->colour, CTableOverlay::kRicherColour) << "more fuel";
  EXPECT_NEAR(rich->percent, -10.0, 0.3);
  EXPECT_EQ(rich->colour, CTableOverlay::kLeanerColour);
  EXPECT_EQ(gathering->colour, CRideAutoTuneSession::kGatheringColour);
  EXPECT_FALSE(fuel.At(TableCell{5, 5})) << "no readings, no mark";
  const auto rear = session.Overlay(true).At(TableCell{10, 20});
  ASSERT_TRUE(rear);
  EXPECT_NEAR(rear->percent, 3.0, 0.3) << "the rear trim's mark is the rear cylinder's own part";
}

TEST(RideAutoTuneSessionTest, ApplyIsOneStepAndWhatACutLinkMissedIsSentByTheNextApply) {
  Doc family;
  const int before = family.Fuel(10).GetPointModuleValue(20);
  ASSERT_EQ(before, 300);
  CRideAutoTuneSession session;
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  Ride(session, 0.0, 2.0, 10, 20, 14.41, 14.41);
  session.Stop();

  family.link.plugged = false;   // the cable is pulled
  std::string summary;
  const auto applied = session.Apply(*family.doc, {}, &summary);
  EXPECT_EQ(applied.points, 1);
  EXPECT_EQ(applied.notInSync, 1);
  EXPECT_NE(summary.find("not in the module"), std::string::npos) << summary;
  EXPECT_EQ(family.Fuel(10).GetPointModuleValue(20), static_cast<int>(std::lround(before * 1.1)));
  EXPECT_FALSE(family.Fuel(10).IsPointInSync(20));
  const std::size_t steps = family.doc->History().StepCount();

  family.link.plugged = true;    // and plugged in again
  const auto again = session.Apply(*family.doc, {}, &summary);
  EXPECT_EQ(again.points, 0) << "nothing left to change";
  // The fuel point, and the rear trim point of the new document that no module ever had.
  EXPECT_NE(summary.find("2 points the module did not have were sent"), std::string::npos) << summary;
  EXPECT_TRUE(family.Fuel(10).IsPointInSync(20));
  const CModuleMap& trim = *family.doc->GetMap(family.doc->FindMap(RideAutoTunePlan::RearTrimMapClass(10)));
  EXPECT_TRUE(trim.IsPointInSync(20));
  EXPECT_FALSE(trim.IsPointInSync(21)) << "a point outside the ready cells is not sent";
  EXPECT_EQ(family.doc->History().StepCount(), steps) << "sending changes no value: no step";
  ASSERT_FALSE(family.link.writes.empty());

  ASSERT_TRUE(family.doc->History().Undo());
  EXPECT_EQ(family.Fuel(10).GetPointModuleValue(20), before) << "one undo takes the apply back";
}

TEST(RideAutoTuneSessionTest, AnApplyThatChangesOtherRowsAlsoSendsWhatACutLinkMissed) {
  Doc family;
  CRideAutoTuneSession session;
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  Ride(session, 0.0, 2.0, 10, 20, 14.41, 14.41);
  session.Stop();
  family.link.plugged = false;
  std::string summary;
  ASSERT_EQ(session.Apply(*family.doc, {}, &summary).notInSync, 1);
  ASSERT_FALSE(family.Fuel(10).IsPointInSync(20));

  // The tuner rides on; another row gets ready while the cable is still out. The apply changes
  // that row and tries no push again.
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  Ride(session, 10.0, 2.0, 12, 30, 14.41, 14.41);
  session.Stop();
  family.link.writes.clear();
  auto applied = session.Apply(*family.doc, {}, &summary);
  EXPECT_GE(applied.points, 1);
  EXPECT_FALSE(family.Fuel(10).IsPointInSync(20));
  EXPECT_FALSE(family.Fuel(12).IsPointInSync(30));

  // Plugged in again, a third ride row: its apply also sends the rows the module missed.
  family.link.plugged = true;
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  Ride(session, 20.0, 2.0, 14, 40, 14.41, 14.41);
  session.Stop();
  applied = session.Apply(*family.doc, {}, &summary);
  EXPECT_GE(applied.points, 1);
  EXPECT_EQ(applied.notInSync, 0) << summary;
  EXPECT_TRUE(family.Fuel(14).IsPointInSync(40));
  EXPECT_TRUE(family.Fuel(10).IsPointInSync(20)) << summary;
  EXPECT_TRUE(family.Fuel(12).IsPointInSync(30)) << summary;
  EXPECT_NE(summary.find("the module did not have were sent"), std::string::npos) << summary;
}

TEST(RideAutoTuneSessionTest, AnAnalysedLogReplacesWhatWasGathered) {
  Doc family;
  CRideAutoTuneSession session;
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  Ride(session, 0.0, 2.0, 10, 20, 14.41, 14.41);
  auto analysis = session.NewAnalysis(*family.doc, 13.1);
  std::string why;
  const CEgoSensorTable table = Table();
  for (double t = 0.0; t < 2.0; t += kPeriod) ASSERT_TRUE(analysis->AddBlock(t, Block(12, 30, 11.79, 11.79), table, why));
  session.TakeAnalysis(std::move(analysis), "ride.csv");
  EXPECT_EQ(session.GetState(), CRideAutoTuneSession::State::Stopped);
  EXPECT_FALSE(session.Overlay(false).At(TableCell{10, 20}));
  EXPECT_TRUE(session.Overlay(false).At(TableCell{12, 30}));
  EXPECT_NE(session.StatusText().find("from ride.csv"), std::string::npos) << session.StatusText();
  ASSERT_TRUE(session.Start(*family.doc, 13.1));
  EXPECT_FALSE(session.Overlay(false).At(TableCell{12, 30})) << "a start after a log begins a ride afresh";
}

}  // namespace
}  // namespace corvane
