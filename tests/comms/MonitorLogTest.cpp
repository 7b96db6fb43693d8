#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CommsTestSupport.h"
#include "comms/MonitorBlockLayout.h"
#include "comms/MonitorColumns.h"
#include "comms/MonitorLog.h"
#include "comms/MonitorReplay.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    TempDir() {
        path = fs::temp_directory_path() / ("corvane-comms-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

std::vector<std::string> CsvRow(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == ',') out.emplace_back();
        else if (c != '\r') out.back() += c;
    }
    return out;
}

std::vector<std::uint8_t> Block(std::uint8_t fill) { return std::vector<std::uint8_t>(kMonitorBlockLength, fill); }

}  // namespace

TEST(MonitorLayout, OffsetsRunInCatalogueOrderAndFillTheBlock) {
    int offset = 0;
    for (const auto& c : kMonitorChannels) {
        EXPECT_EQ(c.offset, offset) << c.name;
        offset += c.width;
    }
    EXPECT_EQ(offset, kMonitorBlockLength);
}

TEST(MonitorLayout, DisplayValuesFollowTheGaugesRules) {
    auto block = Block(0);
    block[16] = 0xFF;
    block[17] = 0xFF;  // AFR full scale
    EXPECT_NEAR(MonitorDisplayValue(block, 10), 12799.6, 1e-6);
    block[16] = 0x80;
    block[17] = 0x00;
    EXPECT_NEAR(MonitorDisplayValue(block, 10), -12800 + 32768 * 25599.6 / 65535, 1e-9);
    block[29] = block[30] = block[31] = block[32] = 0xFF;  // throttle positions beyond range
    EXPECT_EQ(MonitorDisplayValue(block, 18), 0.0);
    EXPECT_EQ(MonitorDisplayValue(block, 19), 88.68);
    block[70] = 0x03;
    block[71] = 0xFF;  // the last channel fills the block to its end
    EXPECT_DOUBLE_EQ(MonitorDisplayValue(block, 44), 100.0);
}

// What a reader of the CSV learns from one column: the heading's unit and the number.
struct Cell {
    std::string heading;
    double value;
};

std::vector<Cell> LogCells(const MonitorColumns& columns, std::span<const std::uint8_t> block) {
    const auto headings = CsvRow(MonitorLog::HeadingRow(columns));
    const auto row = CsvRow(MonitorLog::Row(columns, 0.0, block));
    EXPECT_EQ(headings.size(), row.size());
    std::vector<Cell> cells;
    for (std::size_t i = 1; i + 1 < std::min(headings.size(), row.size()); ++i) cells.push_back({headings[i], std::stod(row[i])});
    return cells;
}

TEST(MonitorColumns, EveryHeadingNamesTheUnitOfTheNumberUnderIt) {
    auto block = Block(0);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 37 + 11);
    block[49] = 0x01;
    block[50] = 0x3D;  // front sensor raw 317 = 1.5494 V
    block[51] = 0x00;
    block[52] = 0xC8;  // rear raw 200
    const auto afrOfRaw = [](std::int64_t raw) { return 10.0 + static_cast<double>(raw) / 100.0; };

    for (const bool table : {false, true}) {
        const auto cells = LogCells(table ? MonitorColumns(afrOfRaw) : MonitorColumns(), block);
        ASSERT_EQ(cells.size(), kMonitorChannels.size() + (table ? 2u : 0u));
        std::size_t at = 0;
        for (int i = 0; i < kMonitorChannelCount; ++i) {
            const auto& spec = kMonitorChannels[static_cast<std::size_t>(i)];
            const std::string name = spec.name;
            if (i == 30 || i == 31) {
                // The sensors stream volts; AFR only through the table.
                const int raw = MonitorRawValue(block, i);
                if (table) {
                    EXPECT_EQ(cells[at].heading, name + " (AFR)");
                    EXPECT_NEAR(cells[at].value, afrOfRaw(raw), 1e-4);
                    ++at;
                }
                EXPECT_EQ(cells[at].heading, name + " (V)");
                EXPECT_NEAR(cells[at].value, raw * 5.0 / 1023.0, 1e-4);
                ++at;
                continue;
            }
            const std::string units = spec.units;
            EXPECT_EQ(cells[at].heading, units.empty() ? name : name + " (" + units + ")");
            EXPECT_NEAR(cells[at].value, MonitorDisplayValue(block, i), 1e-4) << name;
            ++at;
        }
    }
    EXPECT_NEAR(LogCells(MonitorColumns(), block)[30].value, 1.5494, 1e-4);
}

TEST(MonitorColumns, ALogWithTheAfrColumnsReplaysTheExactBytes) {
    TempDir dir;
    const auto path = (dir.path / "afr.csv").string();
    std::vector<std::vector<std::uint8_t>> blocks;
    {
        auto log = MonitorLog::CreateAt(path, MonitorColumns([](std::int64_t raw) { return 13.1 + raw * 0.001; }));
        ASSERT_TRUE(log);
        for (int i = 0; i < 256; ++i) {
            auto b = Block(static_cast<std::uint8_t>(i));
            b[49] = static_cast<std::uint8_t>(255 - i);
            blocks.push_back(b);
            log->Append(i * 0.05, b);
        }
    }
    std::ifstream in(path);
    std::string heading;
    std::getline(in, heading);
    EXPECT_EQ(CsvRow(heading).size(), 49u);
    auto records = MonitorLog::Read(path);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ((*records)[i].block, blocks[i]);
}

TEST(MonitorLog, WritesASpreadsheetCsvAndReadsBackTheExactBytes) {
    TempDir dir;
    const auto path = (dir.path / "log.csv").string();
    std::vector<std::vector<std::uint8_t>> blocks;
    {
        auto log = MonitorLog::CreateAt(path);
        ASSERT_TRUE(log);
        for (int i = 0; i < 10; ++i) {
            auto b = Block(static_cast<std::uint8_t>(i * 25));
            b[0] = 0x03;
            b[1] = 0xFF;  // battery raw 1023 = 16 V
            blocks.push_back(b);
            log->Append(i * 0.05, b);
        }
    }
    std::ifstream in(path);
    std::string heading, first;
    std::getline(in, heading);
    std::getline(in, first);
    auto cols = CsvRow(heading);
    ASSERT_EQ(cols.size(), 47u);
    EXPECT_EQ(cols[0], "Time (s)");
    EXPECT_EQ(cols[1], "Battery Voltage (Volts)");
    EXPECT_EQ(cols[5], "Engine Speed (rpm)");
    EXPECT_EQ(cols[46], "Raw Block (hex)");
    auto row = CsvRow(first);
    ASSERT_EQ(row.size(), 47u);
    EXPECT_EQ(row[0], "0.000");
    EXPECT_DOUBLE_EQ(std::stod(row[1]), 16.0);
    EXPECT_EQ(row[46].size(), 144u);

    auto records = MonitorLog::Read(path);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ((*records)[i].block, blocks[i]);
        EXPECT_NEAR((*records)[i].seconds, static_cast<double>(i) * 0.05, 1e-9);
    }
}

TEST(MonitorLog, RefusesFilesThatAreNotLogsAndSkipsDamagedRows) {
    TempDir dir;
    const auto bad = (dir.path / "bad.csv").string();
    std::ofstream(bad, std::ios::binary) << "hello,world\n1,2\n";
    EXPECT_FALSE(MonitorLog::Read(bad));
    EXPECT_FALSE(MonitorLog::Read((dir.path / "missing.csv").string()));
    const auto damaged = (dir.path / "damaged.csv").string();
    std::ofstream(damaged, std::ios::binary) << "Time (s),Raw Block (hex)\n0.0,0102\nx,0102\n0.1,01G2\n0.2,010\n0.3,0A0b\n";
    auto records = MonitorLog::Read(damaged);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[1].block, (std::vector<std::uint8_t>{0x0A, 0x0B})) << "hex digits in either case";

    // A replay plays a whole log or nothing: damaged rows and empty logs are refused, saying why.
    std::string error;
    EXPECT_FALSE(MonitorLog::ReadForReplay(damaged, &error));
    EXPECT_EQ(error, "3 damaged rows, the first on line 3");
    const auto empty = (dir.path / "empty.csv").string();
    std::ofstream(empty, std::ios::binary) << "Time (s),Raw Block (hex)\r\n";
    EXPECT_FALSE(MonitorLog::ReadForReplay(empty, &error));
    EXPECT_EQ(error, "the log holds no packets");
    const auto good = (dir.path / "good.csv").string();
    std::ofstream(good, std::ios::binary) << "Time (s),Raw Block (hex)\r\n0.0,0102\r\n\r\n0.1,0304\r\n";
    ASSERT_TRUE(MonitorLog::ReadForReplay(good, &error));
}

TEST(MonitorLog, LoggingTheLiveStreamRecordsEveryDeliveredPacket) {
    TempDir dir;
    sim::EmulatorOptions module;
    module.monitorRateHz = 100;
    SimRig rig({}, FastOptions(), module);
    rig.comms->SetMonitorLoggingFolder(dir.path.string());
    rig.comms->SetMonitorLogging(true);
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= 20; }, 3s));
    rig.comms->StopMonitoring();
    std::this_thread::sleep_for(100ms);
    const auto packets = rig.events.Locked([&] { return rig.events.packets; });
    const auto file = rig.comms->MonitorLogFile();
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(fs::path(file).parent_path(), dir.path);
    EXPECT_EQ(fs::path(file).extension(), ".csv");
    auto records = MonitorLog::Read(file);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), packets.size());
    for (std::size_t i = 0; i < packets.size(); ++i) EXPECT_EQ((*records)[i].block, packets[i]);
    for (std::size_t i = 1; i < records->size(); ++i) EXPECT_GE((*records)[i].seconds, (*records)[i - 1].seconds);
}

TEST(MonitorLog, TheEgoTableAppliesFromTheNextLogFileOn) {
    TempDir dir;
    sim::EmulatorOptions module;
    module.monitorRateHz = 100;
    SimRig rig({}, FastOptions(), module);
    rig.comms->SetMonitorLoggingFolder(dir.path.string());
    rig.comms->SetMonitorLogging(true);
    ASSERT_TRUE(rig.comms->DetectModule());
    const auto headingOf = [](const std::string& file) {
        std::ifstream in(file);
        std::string line;
        std::getline(in, line);
        return CsvRow(line);
    };
    const auto stream = [&](std::size_t packets) {
        const auto before = rig.events.Locked([&] { return rig.events.packets.size(); });
        rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
        EXPECT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= before + packets; }, 3s));
    };

    stream(5);
    rig.comms->SetMonitorLogEgoAfr([](std::int64_t raw) { return 12.0 + static_cast<double>(raw) / 1000.0; });
    stream(5);  // the running file keeps its columns
    rig.comms->StopMonitoring();
    const auto first = rig.comms->MonitorLogFile();
    EXPECT_EQ(headingOf(first)[31], "Front Cylinder (V)");
    EXPECT_EQ(headingOf(first).size(), 47u);

    stream(5);
    rig.comms->StopMonitoring();
    const auto second = rig.comms->MonitorLogFile();
    ASSERT_NE(second, first);
    const auto heading = headingOf(second);
    ASSERT_EQ(heading.size(), 49u);
    EXPECT_EQ(heading[31], "Front Cylinder (AFR)");
    EXPECT_EQ(heading[32], "Front Cylinder (V)");
    EXPECT_EQ(heading[33], "Rear Cylinder (AFR)");
    EXPECT_EQ(heading[34], "Rear Cylinder (V)");
    std::ifstream in(second);
    std::string line;
    std::getline(in, line);
    const auto records = MonitorLog::Read(second);
    ASSERT_TRUE(records && !records->empty());
    ASSERT_TRUE(std::getline(in, line));
    const auto row = CsvRow(line);
    const auto& block = records->front().block;
    EXPECT_NEAR(std::stod(row[31]), 12.0 + MonitorRawValue(block, 30) / 1000.0, 1e-4);
    EXPECT_NEAR(std::stod(row[32]), MonitorRawValue(block, 30) * 5.0 / 1023.0, 1e-4);
    EXPECT_NEAR(std::stod(row[33]), 12.0 + MonitorRawValue(block, 31) / 1000.0, 1e-4);
}

TEST(MonitorReplay, PlaysTheLogBackInOrderAtTheRecordedPaceScaledBySpeed) {
    TempDir dir;
    const auto path = (dir.path / "replay.csv").string();
    std::vector<std::vector<std::uint8_t>> blocks;
    {
        auto log = MonitorLog::CreateAt(path);
        for (int i = 0; i < 11; ++i) {
            blocks.push_back(Block(static_cast<std::uint8_t>(i)));
            log->Append(i * 0.03, blocks.back());  // 0.3 s recorded
        }
    }
    ModuleComms comms(std::make_unique<sim::SimTransport>(), FastOptions());
    RecordingEvents events;
    comms.SetEventSink(&events);

    comms.SetMonitorDataSpeed(100);
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(comms.StartReplay(path));
    ASSERT_TRUE(events.WaitFor([&] { return events.replayEnds == 1; }, 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 290ms) << "played faster than recorded";
    EXPECT_EQ(events.Locked([&] { return events.packets; }), blocks);
    EXPECT_FALSE(comms.IsReplaying());

    // Ten times the speed: the same packets, and well within the recorded 0.3 s.
    events.Locked([&] {
        events.packets.clear();
        return 0;
    });
    comms.SetMonitorDataSpeed(1000);
    t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(comms.StartReplay(path));
    ASSERT_TRUE(events.WaitFor([&] { return events.replayEnds == 2; }, 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 29ms);
    EXPECT_EQ(events.Locked([&] { return events.packets; }), blocks);
}

TEST(MonitorReplay, StoppingOrAnUnreadableFileStillAnnouncesTheEndOnce) {
    TempDir dir;
    const auto path = (dir.path / "long.csv").string();
    {
        auto log = MonitorLog::CreateAt(path);
        for (int i = 0; i < 100; ++i) log->Append(i * 1.0, Block(1));
    }
    ModuleComms comms(std::make_unique<sim::SimTransport>(), FastOptions());
    RecordingEvents events;
    comms.SetEventSink(&events);
    ASSERT_TRUE(comms.StartReplay(path));
    EXPECT_TRUE(comms.IsReplaying());
    comms.StopReplay();
    EXPECT_FALSE(comms.IsReplaying());
    EXPECT_EQ(events.Locked([&] { return events.replayEnds; }), 1);
    EXPECT_FALSE(comms.StartReplay((dir.path / "nothing.csv").string()));
    EXPECT_EQ(events.Locked([&] { return events.replayEnds; }), 2);
}

TEST(MonitorReplay, ASeekPlaysTheRowInForceAtOnceAndGoesOnFromThere) {
    TempDir dir;
    const auto path = (dir.path / "seek.csv").string();
    {
        auto log = MonitorLog::CreateAt(path);
        for (int i = 0; i < 100; ++i) log->Append(i * 1.0, Block(static_cast<std::uint8_t>(i)));  // 100 s
    }
    ModuleComms comms(std::make_unique<sim::SimTransport>(), FastOptions());
    RecordingEvents events;
    comms.SetEventSink(&events);
    EXPECT_FALSE(comms.SeekReplay(10.0)) << "nothing runs yet";

    // Paused: a jump still shows the values of its time, and the clock stays there.
    comms.SetMonitorDataSpeed(0);
    ASSERT_TRUE(comms.StartReplay(path));
    ASSERT_TRUE(events.WaitFor([&] { return events.packets.size() == 1; }, 5s));  // row 0 at 0 s
    ASSERT_TRUE(comms.SeekReplay(42.5));
    ASSERT_TRUE(events.WaitFor([&] { return events.packets.size() == 2; }, 5s));
    EXPECT_EQ(events.Locked([&] { return events.packets.back(); }), Block(42)) << "the row at or before 42.5 s";
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(events.Locked([&] { return events.packets.size(); }), 2u) << "paused: nothing more plays";
    EXPECT_NEAR(comms.ReplayProgress().seconds, 42.5, 1e-9);
    EXPECT_EQ(comms.ReplayProgress().played, 43u);

    // Back before the start, then on at speed: the rows follow in order from there.
    ASSERT_TRUE(comms.SeekReplay(-5.0));
    ASSERT_TRUE(events.WaitFor([&] { return events.packets.size() == 3; }, 5s));
    EXPECT_EQ(events.Locked([&] { return events.packets.back(); }), Block(0));
    ASSERT_TRUE(comms.SeekReplay(97.0));
    comms.SetMonitorDataSpeed(10000);
    ASSERT_TRUE(events.WaitFor([&] { return events.replayEnds == 1; }, 5s));
    const auto packets = events.Locked([&] { return events.packets; });
    ASSERT_EQ(packets.size(), 6u);
    EXPECT_EQ(packets[3], Block(97));
    EXPECT_EQ(packets[4], Block(98));
    EXPECT_EQ(packets[5], Block(99));
    EXPECT_FALSE(comms.SeekReplay(1.0)) << "played out";
}

TEST(MonitorLogTable, ALogReadsBackAsColumnsOfTheValuesItsRowsShow) {
    TempDir dir;
    const auto path = (dir.path / "table.csv").string();
    const MonitorColumns columns;
    {
        auto log = MonitorLog::CreateAt(path, columns);
        for (int i = 0; i < 5; ++i) log->Append(0.5 * i, Block(static_cast<std::uint8_t>(10 * i)));
    }
    std::string error;
    const auto table = MonitorLog::ReadTable(path, &error);
    ASSERT_TRUE(table) << error;
    ASSERT_EQ(table->Columns(), columns.Columns().size());
    ASSERT_EQ(table->Rows(), 5u);
    for (std::size_t c = 0; c < table->Columns(); ++c) {
        EXPECT_EQ(table->headings[c], columns.Columns()[c].heading);
        ASSERT_EQ(table->values[c].size(), 5u);
        // The log writes 4 decimals: the table holds what the row shows.
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(table->values[c][i], columns.Value(columns.Columns()[c], Block(static_cast<std::uint8_t>(10 * i))), 5e-5);
    }
    EXPECT_EQ(table->ColumnOf(columns.Columns()[3].heading), 3u);
    EXPECT_EQ(table->ColumnOf("no such column"), table->Columns());
    // The row in force at a time: the last at or before it.
    EXPECT_EQ(table->RowAt(-1.0), 0u);
    EXPECT_EQ(table->RowAt(0.0), 0u);
    EXPECT_EQ(table->RowAt(0.99), 1u);
    EXPECT_EQ(table->RowAt(1.0), 2u);
    EXPECT_EQ(table->RowAt(1e6), 4u);
    EXPECT_DOUBLE_EQ(table->LastSeconds(), 2.0);
}

TEST(MonitorLogTable, ADamagedLogIsRefusedWholeNamingTheLineAndTheFault) {
    const std::string heading = "Time (s),Engine Speed (RPM),\"Odd, Name\",Raw Block (hex)\r\n";
    struct Case {
        std::string body;
        std::string expected;  // part of the reason
    };
    const std::vector<Case> cases{
        {"", "no packets"},
        {"0.0,1000,2,0A0B\r\n0.1,1100,3\r\n", "line 3: 3 fields where the heading row has 4"},
        {"0.0,1000,2,0A0B\r\nabc,1100,3,0A0B\r\n", "line 3: the time \"abc\""},
        {"0.0,1000,2,0A0B\r\n0.1,1100,nan,0A0B\r\n", "\"nan\" under \"Odd, Name\" is not a number"},
        {"0.0,1000,2,0A0B\r\n0.1,,3,0A0B\r\n", "under \"Engine Speed (RPM)\""},
        {"0.5,1000,2,0A0B\r\n0.1,1100,3,0A0B\r\n", "line 3: the time goes back"},
        {"0.0,1000,2,0G0B\r\n", "line 2: the raw block"},
        {"0.0,1000,2,0A0B,extra\r\n", "5 fields"},
    };
    for (const Case& c : cases) {
        std::istringstream in(heading + c.body);
        std::string error;
        EXPECT_FALSE(MonitorLog::ParseTable(in, &error)) << c.body;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    for (const std::string foreign : {"", "a,b,c\r\n1,2,3\r\n", "Time (s),Engine Speed (RPM)\r\n0,1\r\n"}) {
        std::istringstream in(foreign);
        std::string error;
        EXPECT_FALSE(MonitorLog::ParseTable(in, &error));
        EXPECT_FALSE(error.empty());
    }
    // Blank lines (a log cut where a row ended) and a quoted heading are fine.
    std::istringstream good(heading + "0.0,1000,2,0A0B\r\n\r\n0.1,1100,3,0A0C\r\n");
    const auto table = MonitorLog::ParseTable(good);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->headings, (std::vector<std::string>{"Engine Speed (RPM)", "Odd, Name"}));
    EXPECT_EQ(table->values[1], (std::vector<double>{2, 3}));
}

TEST(MonitorLogTable, ALongLogIsScannedRowByRowWithTheTableReadersRules) {
    const MonitorColumns columns;
    std::string text = MonitorLog::HeadingRow(columns) + "\r\n";
    constexpr int kRows = 5000;  // several of the reader's pieces
    for (int i = 0; i < kRows; ++i) {
        text += MonitorLog::Row(columns, 0.0072 * i, Block(static_cast<std::uint8_t>(i)));
        if (i + 1 < kRows) text += "\r\n";  // the last row ends without a line end
    }
    std::istringstream tableIn(text);
    const auto table = MonitorLog::ParseTable(tableIn);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->Rows(), static_cast<std::size_t>(kRows));
    std::istringstream in(text);
    std::size_t rows = 0;
    bool same = true;
    const auto headings = MonitorLog::Scan(in, [&](const MonitorLog::ScannedRow& row, std::string&) {
        same = same && row.line == rows + 2 && row.seconds == table->seconds[rows] &&
               row.block.size() == kMonitorBlockLength && row.block[0] == static_cast<std::uint8_t>(rows);
        for (std::size_t c = 0; c < row.values.size(); ++c) same = same && row.values[c] == table->values[c][rows];
        ++rows;
        return true;
    });
    ASSERT_TRUE(headings);
    EXPECT_EQ(*headings, table->headings);
    EXPECT_EQ(rows, static_cast<std::size_t>(kRows));
    EXPECT_TRUE(same);

    // The reader of the rows may refuse one too: the scan stops there, naming the line.
    std::istringstream again(text);
    std::string error;
    EXPECT_FALSE(MonitorLog::Scan(
        again,
        [](const MonitorLog::ScannedRow& row, std::string& why) {
            if (row.line < 4321) return true;
            why = "not a ride";
            return false;
        },
        &error));
    EXPECT_EQ(error, "line 4321: not a ride");
}
