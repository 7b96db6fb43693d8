// A model-based test of the window program: random sequences of what a tuner does (edits by
// key and drag, fits, paste, Ctrl+Z, table edits, step undo and redo, the History list, save, reload, READ,
// WRITE, both cut short by a pulled cable, AutoTune with zero and real corrections, a basic
// setting) against the simulated module, with the invariants of a tune checked after every
// action against a reference the test keeps itself:
// - the document holds exactly the reference (the last baseline plus the tuner's own edits),
//   and nothing differs from the values last saved or opened without the modified mark;
// - every value the module holds was read from it or sent after the tuner made it, and every
//   point marked in sync holds in the module what the document holds;
// - every file on disk is a whole file the tuner saved, with the values saved;
// - an action that failed left document, module and files as they were.
//
// New actions go into Actions() below: a name, a weight and a function that does what the
// tuner does and says what it may have changed (Expect).
//
// CORVANE_FLOW_ACTIONS (default 500 a seed), CORVANE_FLOW_SEEDS ("11,23") and
// CORVANE_FLOW_SOAK=1 (count violations and go on, print the figures) let a soak run it long.
#include <QtTest>

#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CBasicSettingsLink.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "maps/CModuleMapComposite.h"
#include "maps/EditHistory.h"
#include "maps/TableFamilies.h"
#include "maps/TuneSnapshot.h"
#include "sim/ModuleEmulator.h"
#include "sim/peer/ModulePeer.h"
#include "support/ModuleAppHarness.h"
#include "views/CMapsView.h"
#include "views/CTableView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

int EnvInt(const char* name, int fallback) {
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : fallback;
}

// What an action may have changed.
struct Expect {
    enum class Kind {
        kNothing,   // failed, cancelled or a no-op: document, module and files as they were
        kMaps,      // the points of these maps (and the settings an idle map drags along)
        kSettings,  // settings and the idle maps that follow them
        kExactly,   // the document holds exactly `values`
    };
    Kind kind = Kind::kNothing;
    std::set<int> maps;
    TuneSnapshot values;
    bool step = false;        // the change is one step of the edit history (undoable)
    bool checkpoint = false;  // the history starts anew (READ, open, new)
    bool fromFile = false;    // with kExactly: the values of a file or a new tune (saved state)
    bool restoreOnly = false; // with kMaps: every point takes a value it held since the last
                              // load or READ (Ctrl+Z never brings values the tuner never saw)
};

Expect Exactly(TuneSnapshot values, bool checkpoint, bool fromFile) {
    Expect e;
    e.kind = Expect::Kind::kExactly;
    e.values = std::move(values);
    e.checkpoint = checkpoint;
    e.fromFile = fromFile;
    return e;
}

struct Flow;
struct Action {
    const char* name;
    int weight;
    std::function<Expect(Flow&)> run;
};

struct Flow {
    ModuleAppHarness<> h;
    std::mt19937 rng;
    bool soak = false;
    int violations = 0;
    std::string lastViolation;
    std::map<std::string, int> counts;
    std::map<std::string, double> seconds;  // per action: its own time, then the checks' time

    TuneSnapshot reference;                 // what the document must hold
    std::optional<TuneSnapshot> savedValues;  // the values last saved or opened (none after a READ)
    std::vector<TuneSnapshot> undone;       // the reference before each step, oldest first
    std::vector<TuneSnapshot> redone;       // references that Redo gives back, last undone last
    std::map<std::string, TuneSnapshot> files;  // every file the tuner saved, with its values
    // For every point of the basic maps, by address: the byte values the module may hold (what
    // it held at the start and every value the document held for that point since).
    std::vector<std::set<int>> allowed = std::vector<std::set<int>>(kAddresses);
    // For every point of the basic maps, by map and point: the values the document held since
    // the last load or READ, and the value last noted (so that a value held on is noted once).
    std::vector<std::vector<std::set<int>>> seen;
    std::vector<std::vector<int>> lastNoted;
    // Every saved file's bytes when it was last found whole and holding its values: a file
    // whose bytes are still those need not be parsed again.
    std::map<std::string, std::vector<char>> verifiedBytes;
    int fileCounter = 0;
    static constexpr std::size_t kAddresses = 0x10000;

    explicit Flow(unsigned seed) : rng(seed) {
        h.Start();
        h.app->SetBackUpBeforeWrite(false);  // each WRITE would read the whole module first
        h.Link();                             // the module exists from the first link on
        reference = Snapshot();
        savedValues = reference;
        const std::vector<int> module = ModulePoints();
        for (std::size_t address = 0; address < module.size(); ++address)
            if (module[address] >= 0) allowed[address].insert(module[address]);
        NoteDocumentValues();
    }

    CChildFrmMaps& Frame() { return *h.Maps(); }
    CCorvaneMapsDoc& Doc() { return Frame().Document(); }
    CMapsView& View() { return *Frame().MapsView(); }
    TuneSnapshot Snapshot() { return TuneSnapshot::Capture(Doc()); }
    int Random(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    // A basic map the keys may edit (composites stand for whole rows: they are edited through
    // their rows here).
    int RandomBasicMap() { return Random(Doc().GetBasicMapCount()); }
    void ShowMap(int index) {
        Frame().ShowView(CChildFrmMaps::ViewKind::kMaps, index);
        View().ShowMap(index);
    }

    // The module's value of every point of every basic map, by address (-1 where no point
    // starts); empty while there is no module.
    std::vector<int> ModulePoints() {
        std::vector<std::uint8_t> memory = h.Module([](sim::ModuleEmulator& e) {
            auto m = e.Memory();
            return std::vector<std::uint8_t>(m.begin(), m.end());
        });
        std::vector<int> points;
        if (memory.empty()) return points;  // no module yet
        points.assign(kAddresses, -1);
        for (int i = 0; i < Doc().GetBasicMapCount(); ++i) {
            const CModuleMap* map = Doc().GetMap(i);
            for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
                const CModuleMapPoint* p = map->GetMapPoint(j);
                if (p->GetAddress() + p->GetByteWidth() > memory.size()) continue;
                int v = 0;
                for (int b = 0; b < p->GetByteWidth(); ++b) v = v * 256 + memory[p->GetAddress() + b];
                points[p->GetAddress()] = v;
            }
        }
        return points;
    }
    void NoteDocumentValues() {
        const int maps = Doc().GetBasicMapCount();
        if (static_cast<int>(seen.size()) != maps) {
            seen.assign(static_cast<std::size_t>(maps), {});
            lastNoted.assign(static_cast<std::size_t>(maps), {});
        }
        for (int i = 0; i < maps; ++i) {
            const CModuleMap* map = Doc().GetMap(i);
            auto& seenOfMap = seen[static_cast<std::size_t>(i)];
            auto& last = lastNoted[static_cast<std::size_t>(i)];
            if (static_cast<int>(last.size()) != map->GetNumberOfPoints()) {
                seenOfMap.assign(static_cast<std::size_t>(map->GetNumberOfPoints()), {});
                last.assign(static_cast<std::size_t>(map->GetNumberOfPoints()), -1);
            }
            for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
                const int value = map->GetPointModuleValue(j);
                if (value == last[static_cast<std::size_t>(j)]) continue;
                last[static_cast<std::size_t>(j)] = value;
                allowed[map->GetMapPoint(j)->GetAddress()].insert(value);
                seenOfMap[static_cast<std::size_t>(j)].insert(value);
            }
        }
    }

    void Violation(const std::string& what) {
        ++violations;
        lastViolation = what;
        if (!soak) QFAIL(what.c_str());
    }

    void Relink() {
        QElapsedTimer t;
        t.start();
        while (!h.app->State().moduleLinked && t.elapsed() < 5000) {
            h.app->Link().ToggleLink();
            QCoreApplication::processEvents();
            if (!h.app->State().moduleLinked) QThread::msleep(10);
        }
    }
    void PullCableAt(int progressStep) {
        h.prompter.onProgress = [this, progressStep](int position) {
            if (position == progressStep) h.sim->WithPeer([](sim::ModulePeer& p) { p.PullCable(); });
        };
    }
    void PlugCable() {
        h.prompter.onProgress = {};
        h.sim->WithPeer([](sim::ModulePeer& p) { p.PlugCable(); });
    }

    // The table view on one of the document's families, shown as the selector shows it.
    CTableView& ShowRandomTable() {
        const auto families = TableFamilies::Present(Doc().Maps());
        Frame().ShowTable(families[static_cast<std::size_t>(Random(static_cast<int>(families.size())))].Name());
        return *Frame().TableView();
    }
    TableRect SelectRandomBlock(CTableView& table) {
        const CTableEditor& t = *table.Editor();
        const TableCell a{Random(t.RowCount()), Random(t.ColumnCount())};
        const TableCell b{std::min(t.RowCount() - 1, a.row + Random(5)), std::min(t.ColumnCount() - 1, a.column + Random(8))};
        table.Select(a, b);
        return t.Selection();
    }
    // What a table edit may change: the maps of rows first ... last of the table shown.
    Expect TableEdit(int first, int last) {
        Expect e;
        e.kind = Expect::Kind::kMaps;
        const TableFamily* family = Frame().TableView()->Family();
        for (int row = first; row <= last; ++row) e.maps.insert(family->rowMaps[static_cast<std::size_t>(row)]);
        e.step = true;
        return e;
    }

    // A READ (cut short at that progress step when pull >= 0): on success the document holds
    // the module's values and the history starts anew; a READ that failed changed nothing.
    Expect Read(int pull) {
        Relink();
        if (pull >= 0) PullCableAt(pull);
        const bool ok = h.app->Transfer().ReadModuleMapsAndSettings(&Frame().Link(), Frame().FirstView());
        Frame().UpdateAllViews();
        if (pull >= 0) {
            PlugCable();
            Relink();
        }
        if (!ok) return Expect{};
        return Exactly(Snapshot(), true, false);
    }
    // A WRITE changes no value of the document, whether it went through or not.
    Expect Write(int pull) {
        Relink();
        if (pull >= 0) PullCableAt(pull);
        const bool ok = h.app->Transfer().WriteModuleMapsAndSettings(&Frame().Link());
        Frame().UpdateAllViews();
        // A WRITE that says it succeeded put every point of its regions (the fuel table too)
        // into the module as the document holds it.
        if (ok) {
            const auto module = ModulePoints();
            const auto regions = CModuleTransfer::MapRegions(CModuleTransfer::HasFuelTable(Frame().Link()));
            for (int i = 0; i < Doc().GetBasicMapCount(); ++i) {
                const CModuleMap* map = Doc().GetMap(i);
                for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
                    const CModuleMapPoint* p = map->GetMapPoint(j);
                    if (!CModuleTransfer::InRegions(regions, p->GetAddress(), p->GetAddress() + p->GetByteWidth())) continue;
                    if (module.empty() || module[p->GetAddress()] != map->GetPointModuleValue(j)) {
                        Violation("WRITE reported success, but the module does not hold " + map->GetTitle() +
                                  " point " + std::to_string(j + 1) + " as written");
                        i = Doc().GetBasicMapCount();
                        break;
                    }
                }
            }
        }
        if (pull >= 0) {
            PlugCable();
            Relink();
        }
        return Expect{};
    }

    // --- After every action -----------------------------------------------------------------

    void Check(const std::string& action, const Expect& expect) {
        const TuneSnapshot now = Snapshot();
        TuneSnapshot expected = reference;
        switch (expect.kind) {
            case Expect::Kind::kNothing: break;
            case Expect::Kind::kExactly: expected = expect.values; break;
            case Expect::Kind::kMaps:
            case Expect::Kind::kSettings:
                // The action's own values are taken as it made them; everything else must stay.
                for (std::size_t m = 0; m < now.maps.size(); ++m) {
                    const bool composite = Doc().GetMap(static_cast<int>(m))->IsComposite();
                    if (composite || expect.maps.count(static_cast<int>(m)) != 0) expected.maps[m] = now.maps[m];
                }
                expected.settings = now.settings;
                break;
        }
        // Composites only mirror their rows (and are rebuilt from them by a load): the rows
        // carry the values.
        for (int m = Doc().GetBasicMapCount(); m < Doc().GetMapCount(); ++m)
            expected.maps[static_cast<std::size_t>(m)] = now.maps[static_cast<std::size_t>(m)];
        if (!(now == expected)) {
            const TuneChange diff = TuneChange::Between(expected, now);
            std::string where = diff.points.empty() ? (diff.settings.empty() ? "the name" : "setting " + std::to_string(diff.settings.front().index))
                                                    : Doc().GetMap(diff.points.front().map)->GetTitle() + " point " +
                                                          std::to_string(diff.points.front().point + 1);
            Violation(action + ": the document differs from the reference at " + where + " (" +
                      std::to_string(diff.points.size()) + " points, " + std::to_string(diff.settings.size()) + " settings)");
            if (soak) expected = now;
        }
        if (expect.restoreOnly) {
            for (int m : expect.maps) {
                const CModuleMap* map = Doc().GetMap(m);
                for (int j = 0; j < map->GetNumberOfPoints(); ++j)
                    if (seen[static_cast<std::size_t>(m)][static_cast<std::size_t>(j)].count(map->GetPointModuleValue(j)) == 0) {
                        Violation(action + ": " + map->GetTitle() + " point " + std::to_string(j + 1) + " was restored to " +
                                  std::to_string(map->GetPointModuleValue(j)) + ", a value not held since the last load or READ");
                        break;
                    }
            }
        }
        // The model of the history.
        if (expect.checkpoint) {
            seen.clear();
            lastNoted.clear();
            undone.clear();
            redone.clear();
        } else if (expect.step && !(expected == reference)) {
            undone.push_back(reference);
            redone.clear();
            if (undone.size() > EditHistory::kMaxSteps) undone.erase(undone.begin());
        }
        reference = expected;
        if (expect.kind == Expect::Kind::kExactly && expect.fromFile) savedValues = reference;
        if (expect.checkpoint && !expect.fromFile) savedValues.reset();
        if (!savedValues || !(reference == *savedValues)) {
            if (!Doc().IsModified()) Violation(action + ": the document changed without the modified mark");
        }
        NoteDocumentValues();
        CheckComposites(action);
        CheckModule(action);
        if (action.find("save") != std::string::npos || action.find("reload") != std::string::npos ||
            ++counts["#checks"] % 50 == 0)
            CheckFiles(action);
    }

    // A composite stands for its rows at every moment, whichever view shows it: one left
    // behind would be edited, saved and recorded from values its rows no longer hold.
    void CheckComposites(const std::string& action) {
        for (int m = Doc().GetBasicMapCount(); m < Doc().GetMapCount(); ++m) {
            const auto* composite = dynamic_cast<const CModuleMapComposite*>(Doc().GetMap(m));
            if (composite == nullptr) continue;
            const auto& sources = composite->Sources();
            for (int i = 0; i < composite->GetNumberOfPoints() && i < static_cast<int>(sources.size()); ++i) {
                const auto& run = sources[static_cast<std::size_t>(i)];
                if (composite->GetPointBaseValue(i) != run.map->GetPointBaseValue(run.first) ||
                    composite->GetPointTrimValue(i) != run.map->GetPointTrimValue(run.first)) {
                    Violation(action + ": " + composite->GetTitle() + " point " + std::to_string(i + 1) +
                              " shows another value than its row " + run.map->GetTitle() + " holds");
                    return;
                }
            }
        }
    }

    void CheckModule(const std::string& action) {
        const auto module = ModulePoints();
        if (module.empty()) Violation(action + ": the module's memory could not be looked at");
        for (int i = 0; i < Doc().GetBasicMapCount(); ++i) {
            const CModuleMap* map = Doc().GetMap(i);
            for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
                const std::uint16_t address = map->GetMapPoint(j)->GetAddress();
                if (module.empty() || module[address] < 0) return;
                const int held = module[address];
                if (allowed[address].count(held) == 0) {
                    Violation(action + ": the module holds " + std::to_string(held) + " at " + map->GetTitle() + " point " +
                              std::to_string(j + 1) + ", a value the tuner never made");
                    allowed[address].insert(held);
                    return;
                }
                if (map->IsPointInSync(j) && held != map->GetPointModuleValue(j)) {
                    Violation(action + ": " + map->GetTitle() + " point " + std::to_string(j + 1) +
                              " is marked in sync but the module holds another value");
                    return;
                }
            }
        }
    }

    void CheckFiles(const std::string& action) {
        for (const auto& [path, values] : files) {
            // Bytes found whole and right before still are: only a changed file is parsed.
            std::ifstream in(path, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const auto verified = verifiedBytes.find(path);
            if (verified != verifiedBytes.end() && verified->second == bytes) continue;
            AppState state;
            auto opened = CCorvaneMapsDoc::Open(path, state);
            if (!opened.document) {
                Violation(action + ": " + path + " is no longer a whole map file");
                continue;
            }
            // Composites are not in the file: they are rebuilt from their rows.
            TuneSnapshot held = TuneSnapshot::Capture(*opened.document);
            for (int m = opened.document->GetBasicMapCount(); m < opened.document->GetMapCount(); ++m)
                held.maps[static_cast<std::size_t>(m)] = values.maps[static_cast<std::size_t>(m)];
            if (held == values) {
                verifiedBytes[path] = std::move(bytes);
                continue;
            }
            {
                const TuneChange diff = TuneChange::Between(values, held);
                std::string first;
                if (!diff.points.empty()) {
                    const auto& p = diff.points.front();
                    first = opened.document->GetMap(p.map)->GetTitle() + " point " + std::to_string(p.point + 1) +
                            ": saved " + std::to_string(p.before.module) + "/" + std::to_string(p.before.base) + "/" +
                            std::to_string(p.before.trim) + ", read " + std::to_string(p.after.module) + "/" +
                            std::to_string(p.after.base) + "/" + std::to_string(p.after.trim);
                } else if (!diff.settings.empty()) {
                    const auto& p = diff.settings.front();
                    first = "setting " + std::to_string(p.index) + ": saved " + std::to_string(p.before.module) + "/" +
                            std::to_string(p.before.base) + ", read " + std::to_string(p.after.module) + "/" +
                            std::to_string(p.after.base);
                } else {
                    first = "the name";
                }
                verifiedBytes.erase(path);
                Violation(action + ": " + path + " holds other values than were saved (" +
                          std::to_string(diff.points.size()) + " points, " + std::to_string(diff.settings.size()) +
                          " settings; " + first + ")");
            }
        }
    }

    void Run(const std::vector<Action>& actions, int count) {
        int total = 0;
        for (const Action& a : actions) total += a.weight;
        for (int n = 0; n < count && (soak || violations == 0); ++n) {
            int pick = Random(total);
            const Action* chosen = &actions.front();
            for (const Action& a : actions) {
                if (pick < a.weight) {
                    chosen = &a;
                    break;
                }
                pick -= a.weight;
            }
            ++counts[chosen->name];
            QElapsedTimer timer;
            timer.start();
            const Expect expect = chosen->run(*this);
            QCoreApplication::processEvents();
            const qint64 acted = timer.nsecsElapsed();
            Check(std::string(chosen->name) + " (action " + std::to_string(n + 1) + ")", expect);
            seconds[chosen->name] += acted / 1e9;
            seconds["#checks"] += (timer.nsecsElapsed() - acted) / 1e9;
        }
    }
};

Expect MapsEdit(int map) {
    Expect e;
    e.kind = Expect::Kind::kMaps;
    e.maps = {map};
    e.step = true;
    return e;
}

std::vector<Action> Actions() {
    return {
        {"key step", 20,
         [](Flow& f) {
             const int map = f.RandomBasicMap();
             f.ShowMap(map);
             f.View().Editor().SetActivePoint(f.Random(f.Doc().GetMap(map)->GetNumberOfPoints()));
             const Key key = f.Random(2) == 0 ? Key::Up : Key::Down;
             f.View().ApplyKey(key, {f.Random(3) == 0, false});
             return MapsEdit(map);
         }},
        // A composite edited by key, as the tuner does after editing its rows elsewhere: the
        // rows it stands for take the step from the values they hold.
        {"composite key step", 4,
         [](Flow& f) {
             const int count = f.Doc().GetCompositeMapCount();
             if (count == 0) return Expect{};
             const int map = f.Doc().GetBasicMapCount() + f.Random(count);
             auto* composite = dynamic_cast<CModuleMapComposite*>(f.Doc().GetMap(map));
             if (composite == nullptr) return Expect{};
             if (f.View().MapIndex() != map) f.ShowMap(map);  // a composite already shown stays as it is
             const int point = f.Random(std::min<int>(composite->GetNumberOfPoints(), static_cast<int>(composite->Sources().size())));
             f.View().Editor().SetActivePoint(point);
             f.View().ApplyKey(f.Random(2) == 0 ? Key::Up : Key::Down, {false, false});
             Expect e;
             e.kind = Expect::Kind::kMaps;
             e.step = true;
             for (int k = 0; k < f.Doc().GetBasicMapCount(); ++k)
                 if (f.Doc().GetMap(k) == composite->Sources()[static_cast<std::size_t>(point)].map) e.maps.insert(k);
             return e;
         }},
        {"drag", 5,
         [](Flow& f) {
             const int map = f.RandomBasicMap();
             f.ShowMap(map);
             const CModuleMap* m = f.Doc().GetMap(map);
             const int point = f.Random(m->GetNumberOfPoints());
             (void)f.View().Editor().DragPoint(point, (f.Random(2001) - 1000) / 1000.0 * m->GetYSpan() / 10);
             f.View().OnDocumentUpdated();
             return MapsEdit(map);
         }},
        {"fit", 5,
         [](Flow& f) {
             const int map = f.RandomBasicMap();
             f.ShowMap(map);
             const int n = f.Doc().GetMap(map)->GetNumberOfPoints();
             f.View().Editor().SetActivePoint(f.Random(n));
             f.View().ApplyKey(Key::P);
             f.View().Editor().SetActivePoint(f.Random(n));
             f.View().ApplyKey(Key::P);
             f.View().ApplyKey(Key::F);
             return MapsEdit(map);
         }},
        {"offset", 3,
         [](Flow& f) {
             const int map = f.RandomBasicMap();
             f.ShowMap(map);
             f.View().ApplyKey(f.Random(2) == 0 ? Key::U : Key::D, {false, true});
             return MapsEdit(map);
         }},
        {"copy and paste", 3,
         [](Flow& f) {
             const int from = f.RandomBasicMap();
             f.ShowMap(from);
             f.View().ApplyKey(Key::C, {true, false});
             // Maps of the same point width and count take the clipboard; others refuse it.
             const int to = f.RandomBasicMap();
             f.ShowMap(to);
             f.View().ApplyKey(Key::V, {true, false});
             return MapsEdit(to);
         }},
        {"undo all edits of the map (Ctrl+Z)", 3,
         [](Flow& f) {
             const int map = f.RandomBasicMap();
             f.ShowMap(map);
             const bool ok = f.Random(4) != 0;
             f.h.prompter.answers = {ok ? Prompter::Answer::Ok : Prompter::Answer::Cancel};
             f.View().ApplyKey(Key::Z, {true, false});
             f.h.prompter.answers.clear();
             if (!ok) return Expect{};
             Expect e = MapsEdit(map);
             e.restoreOnly = true;
             return e;
         }},
        {"undo last edit", 10,
         [](Flow& f) {
             f.h.Frame().RunCommand(cmd::kEditUndoLastEdit);
             if (f.undone.empty()) return Expect{};
             TuneSnapshot back = f.undone.back();
             f.undone.pop_back();
             f.redone.push_back(f.reference);
             return Exactly(back, false, false);
         }},
        // The table of a family: a block of rows and points edited as the tuner does it, by keys
        // and typed values; every edit is one step over the rows it touched.
        {"table edit", 8,
         [](Flow& f) {
             CTableView& table = f.ShowRandomTable();
             const TableRect block = f.SelectRandomBlock(table);
             switch (f.Random(9)) {
                 case 0: QTest::keyClick(&table, Qt::Key_Up, f.Random(2) ? Qt::ControlModifier : Qt::NoModifier); break;
                 case 1: QTest::keyClick(&table, Qt::Key_Down, f.Random(2) ? Qt::ControlModifier : Qt::NoModifier); break;
                 case 2: QTest::keyClicks(&table, QString::number(table.Editor()->LimitLow() + f.Random(101) / 100.0 *
                                                                   (table.Editor()->LimitHigh() - table.Editor()->LimitLow()), 'f', 2));
                     QTest::keyClick(&table, Qt::Key_Return);
                     break;
                 case 3: QTest::keyClicks(&table, "*" + QString::number(80 + f.Random(41)));
                     QTest::keyClick(&table, Qt::Key_Return);
                     break;
                 case 4: QTest::keyClicks(&table, f.Random(2) ? "+1" : "+-1");
                     QTest::keyClick(&table, Qt::Key_Return);
                     break;
                 case 5: QTest::keyClick(&table, Qt::Key_H); break;
                 case 6: QTest::keyClick(&table, Qt::Key_V); break;
                 case 7: QTest::keyClick(&table, Qt::Key_B); break;
                 default: QTest::keyClick(&table, Qt::Key_S); break;
             }
             return f.TableEdit(block.top, block.bottom);
         }},
        {"table paste", 3,
         [](Flow& f) {
             CTableView& table = f.ShowRandomTable();
             const TableRect block = f.SelectRandomBlock(table);
             // A block copied from elsewhere in the table, or text that is refused whole.
             static const char* refused[] = {"1\tx\n", "", "5\t5\n5\n", "1,5"};
             if (f.Random(4) == 0) {
                 QApplication::clipboard()->setText(refused[f.Random(4)]);
             } else {
                 f.SelectRandomBlock(table);
                 QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
                 table.Select({block.top, block.left}, {block.top, block.left});
             }
             QTest::keyClick(&table, Qt::Key_V, Qt::ControlModifier);
             f.h.prompter.shown.clear();
             return f.TableEdit(block.top, table.Editor()->RowCount() - 1);
         }},
        {"table undo (Ctrl+Z)", 3,
         [](Flow& f) {
             CTableView& table = f.ShowRandomTable();
             QTest::keyClick(&table, Qt::Key_Z, Qt::ControlModifier);
             // The document's last step, whatever view made it.
             if (f.undone.empty()) return Expect{};
             TuneSnapshot back = f.undone.back();
             f.undone.pop_back();
             f.redone.push_back(f.reference);
             return Exactly(back, false, false);
         }},
        {"redo", 6,
         [](Flow& f) {
             f.h.Frame().RunCommand(cmd::kEditRedo);
             if (f.redone.empty()) return Expect{};
             TuneSnapshot again = f.redone.back();
             f.redone.pop_back();
             f.undone.push_back(f.reference);
             return Exactly(again, false, false);
         }},
        {"history list", 2,
         [](Flow& f) {
             // Any row: as many undos or redos as it takes.
             const int steps = static_cast<int>(f.undone.size() + f.redone.size());
             const int target = f.Random(steps + 1);
             f.Doc().History().GoTo(static_cast<std::size_t>(target));
             f.Frame().UpdateAllViews();
             while (static_cast<int>(f.undone.size()) > target) {
                 f.redone.push_back(f.reference);
                 f.reference = f.undone.back();
                 f.undone.pop_back();
             }
             while (static_cast<int>(f.undone.size()) < target) {
                 f.undone.push_back(f.reference);
                 f.reference = f.redone.back();
                 f.redone.pop_back();
             }
             return Exactly(f.reference, false, false);
         }},
        {"save as", 3,
         [](Flow& f) {
             const QString path = f.h.Path(QString("tune%1.crv").arg(++f.fileCounter));
             f.h.prompter.saveFile = path.toStdString();
             f.h.Frame().RunCommand(cmd::kFileSaveAs);
             f.files[path.toStdString()] = f.Snapshot();
             f.verifiedBytes.erase(path.toStdString());
             Expect e;
             f.savedValues = f.reference;
             return e;
         }},
        {"reload", 2,
         [](Flow& f) {
             const std::string path = f.Doc().GetPathName();
             if (path.empty() || f.files.count(path) == 0) return Expect{};
             const bool yes = f.Random(3) != 0;
             f.h.prompter.answers = {yes ? Prompter::Answer::Yes : Prompter::Answer::No};
             f.h.app->OpenDocumentFile(QString::fromStdString(path));
             f.h.prompter.answers.clear();
             QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
             if (!yes) return Expect{};
             return Exactly(f.files[path], true, true);
         }},
        // READ and WRITE as the File menu runs them; the module's contents are checked by the
        // invariants (a READ marks every point in sync: the module must hold what it shows).
        {"READ", 3, [](Flow& f) { return f.Read(-1); }},
        {"READ cut short", 2, [](Flow& f) { return f.Read(1 + f.Random(150)); }},
        {"WRITE", 2, [](Flow& f) { return f.Write(-1); }},
        {"WRITE cut short", 1, [](Flow& f) { return f.Write(1 + f.Random(17)); }},
        {"basic setting", 3,
         [](Flow& f) {
             const int index = f.Random(kBasicSettingCount);
             const CBasicSettingsModuleValue* s = f.Doc().GetSetting(index);
             const double span = s->GetDisplayMaximum() - s->GetDisplayMinimum();
             const double value = s->GetDisplayMinimum() + span * f.Random(1001) / 1000.0;
             char text[40];
             std::snprintf(text, sizeof text, "%.3f", value);
             CBasicSettingsLink(f.h.app->Link()).EditSetting(f.Frame().Link(), index, text);
             f.Frame().UpdateAllViews();
             Expect e;
             e.kind = Expect::Kind::kSettings;
             e.maps = {f.Doc().FindMap("IDLEVSTEMPMap"), f.Doc().FindMap("IACVSTEMPMap")};
             e.step = true;
             return e;
         }},
        {"AutoTune, zero corrections", 2,
         [](Flow& f) {
             const int map = f.Doc().FindMap("Stoichiometric2304Map");
             if (map < 0) return Expect{};
             f.ShowMap(map);
             f.View().ToggleAutoTune();
             for (int site = 0; site < 8; ++site) {
                 f.View().OnMonitorMessage(MonitorMessage::AutoTuneUpdate, site * 8, 0);
                 f.View().OnMonitorMessage(MonitorMessage::AutoTuneReverseTrimUpdate, site * 8, 0);
             }
             f.View().ToggleAutoTune();
             return Expect{};
         }},
        {"AutoTune, corrections", 2,
         [](Flow& f) {
             const int map = f.Doc().FindMap("Stoichiometric2304Map");
             if (map < 0) return Expect{};
             f.ShowMap(map);
             f.View().ToggleAutoTune();
             for (int k = 0; k < 4; ++k)
                 f.View().OnMonitorMessage(MonitorMessage::AutoTuneUpdate, f.Random(64), f.Random(1001) - 500);
             f.View().OnMonitorMessage(MonitorMessage::AutoTuneReverseTrimUpdate, f.Random(64), f.Random(501) - 250);
             f.View().ToggleAutoTune();
             Expect e = MapsEdit(map);
             e.maps.insert(f.Doc().FindMap("RearTrimVsThrottle2304Map"));
             return e;
         }},
        {"link or unlink", 2,
         [](Flow& f) {
             f.h.Frame().RunCommand(cmd::kToggleLink);
             return Expect{};
         }},
    };
}

}  // namespace

class FlowTest : public QObject {
    Q_OBJECT
private slots:
    void randomTunerSessionsKeepTheTuneAndTheModuleSafe();
};

void FlowTest::randomTunerSessionsKeepTheTuneAndTheModuleSafe() {
    const int actions = EnvInt("CORVANE_FLOW_ACTIONS", 500);
    const bool soak = EnvInt("CORVANE_FLOW_SOAK", 0) != 0;
    QList<QByteArray> seeds = qgetenv("CORVANE_FLOW_SEEDS").split(',');
    if (qgetenv("CORVANE_FLOW_SEEDS").isEmpty()) seeds = {"11", "23"};
    int totalActions = 0;
    int totalViolations = 0;
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& seed : seeds) {
        Flow flow(seed.toUInt());
        flow.soak = soak;
        flow.Run(Actions(), actions);
        flow.CheckFiles("end");
        totalActions += actions;
        totalViolations += flow.violations;
        if (soak) {
            std::printf("seed %s: %d actions, %d violations%s%s\n", seed.constData(), actions, flow.violations,
                        flow.violations ? "; last: " : "", flow.lastViolation.c_str());
            for (const auto& [name, count] : flow.counts)
                if (name[0] != '#')
                    std::printf("  %-40s %6d %9.1f ms each\n", name.c_str(), count, 1000.0 * flow.seconds[name] / count);
            std::printf("  %-40s %6d %9.1f ms each\n", "(checks after each action)", actions,
                        1000.0 * flow.seconds["#checks"] / std::max(actions, 1));
        }
        if (!soak && QTest::currentTestFailed()) return;
    }
    if (soak)
        std::printf("flow soak: %d actions, %d violations, %.1f s\n", totalActions, totalViolations,
                    timer.elapsed() / 1000.0);
    QCOMPARE(totalViolations, 0);
}

QTEST_MAIN(FlowTest)
#include "FlowTest.moc"
