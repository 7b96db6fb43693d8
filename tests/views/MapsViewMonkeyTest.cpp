// Random keys, drags, clicks, live positions, map switches and resizes on both maps views and
// the table view over one family A document, with typed values, pastes of good and bad text,
// undo and redo in the table between the curve's edits. After every event: no crash, every
// value inside its module range and every trim inside its margins, the document's image holding
// exactly what the maps hold, and the views' selection inside the shown map or table.
//
// CORVANE_MONKEY_EVENTS sets the number of events (default 2000), CORVANE_MONKEY_SEED the seed.
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <cmath>
#include <limits>
#include <random>

#include "maps/CModuleMapComposite.h"
#include "support/ViewsFixture.h"
#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneMapsView.h"
#include "views/CTableView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

int EnvInt(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

// Where a check failed, for the message.
QByteArray Where(int event, unsigned seed, const CModuleMap& map, int point) {
    return QStringLiteral("event %1 (seed %2), %3 point %4")
        .arg(event)
        .arg(seed)
        .arg(QString::fromStdString(map.GetClassName()))
        .arg(point)
        .toUtf8();
}

// The message is built only when the check fails: the checks run millions of times.
#define MONKEY_CHECK(condition, map, point)                                               \
    do {                                                                                  \
        if (!(condition)) QFAIL(Where(m_event, m_seed, (map), (point)).constData());      \
    } while (false)

class Monkey {
public:
    explicit Monkey(unsigned seed) : m_seed(seed), m_rng(seed), m_maps(*m_f.doc, m_f.settings), m_adv(*m_f.doc, m_f.settings) {
        for (int i = 0; i < m_f.doc->GetMapCount(); i += 7) m_f.Shape(i);
        for (CMapsView* v : Views()) {
            v->resize(900, 640);
            v->ShowMap(Pick(0, m_f.doc->GetMapCount() - 1));
            v->SetAfrSource([this] { return m_afr; });
            QObject::connect(v, &CMapsView::documentEdited, [this] { ++m_edits; });
            v->show();
        }
        m_table.resize(900, 640);
        QObject::connect(&m_table, &CTableView::documentEdited, [this] { ++m_edits; });
        m_table.show();
    }

    std::array<CMapsView*, 2> Views() { return {&m_maps, &m_adv}; }
    [[nodiscard]] int Edits() const { return m_edits; }

    void Event(int n) {
        m_event = n;
        if (Chance(35)) {
            TableEvent();
            QCoreApplication::processEvents();
            return;
        }
        CMapsView& view = Chance(50) ? static_cast<CMapsView&>(m_maps) : static_cast<CMapsView&>(m_adv);
        // Whatever a modal question or the AFR entry would have answered.
        m_f.prompter.answers.assign(1, Chance(50) ? Prompter::Answer::Ok : Prompter::Answer::Cancel);
        m_afr = RandomAfr();
        const int roll = Pick(0, 99);
        if (roll < 40)
            view.ApplyKey(static_cast<Key>(Pick(0, static_cast<int>(Key::Z))), {Chance(30), Chance(30)});
        else if (roll < 55)
            TypeKey(view);
        else if (roll < 75)
            DragMarker(view);
        else if (roll < 80)
            QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(Pick(0, view.width() - 1), Pick(0, view.height() - 1)));
        else if (roll < 86)
            LivePosition(view);
        else if (roll < 88)
            view.ClearMapPointer();
        else if (roll < 94)
            view.ShowMap(Pick(-2, m_f.doc->GetMapCount() + 1));
        else if (roll < 97)
            view.resize(Pick(120, 1400), Pick(90, 1000));
        else
            view.OnDocumentUpdated();
        QCoreApplication::processEvents();
        if (m_f.prompter.shown.size() > 64) m_f.prompter.shown.clear();
    }

    // Every point of the map: inside its range and margins, and (for maps that own memory)
    // the image holding its module value.
    void CheckMap(const CModuleMap& map) {
        const bool ownsMemory = !map.IsComposite();
        for (int i = 0; i < map.GetNumberOfPoints(); ++i) {
            const ModuleValue& v = map.GetMapPoint(i)->GetValue();
            const int lo = std::min(v.GetModuleMinimum(), v.GetModuleMaximum());
            const int hi = std::max(v.GetModuleMinimum(), v.GetModuleMaximum());
            if (lo != hi) {
                MONKEY_CHECK(v.GetModuleValue() >= lo && v.GetModuleValue() <= hi, map, i);
                MONKEY_CHECK(v.GetBaseValue() >= lo && v.GetBaseValue() <= hi, map, i);
            }
            MONKEY_CHECK(v.ClampTrimValue(v.GetTrimValue()) == v.GetTrimValue(), map, i);
            if (!ownsMemory) continue;
            const int width = v.GetByteWidth();
            std::uint32_t bytes = 0;
            for (int b = 0; b < width; ++b)
                bytes = (bytes << 8) | m_f.doc->ReadByte(static_cast<std::uint16_t>(v.GetAddress() + b));
            const std::uint32_t mask = width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
            MONKEY_CHECK(bytes == (static_cast<std::uint32_t>(v.GetModuleValue()) & mask), map, i);
        }
    }

    // The maps an event can have touched: the shown ones and what a composite stands for.
    void CheckShown() {
        for (CMapsView* view : Views()) {
            const CModuleMap* map = view->ShownMap();
            QVERIFY(map != nullptr);
            QVERIFY(view->MapIndex() >= 0 && view->MapIndex() < m_f.doc->GetMapCount());
            const int active = view->Editor().ActivePoint();
            MONKEY_CHECK(active >= 0 && active < map->GetNumberOfPoints(), *map, active);
            CheckMap(*map);
            if (const auto* composite = dynamic_cast<const CModuleMapComposite*>(map))
                for (const auto& run : composite->Sources()) CheckMap(*run.map);
        }
    }

    void CheckTable() {
        const CTableEditor* t = m_table.Editor();
        QVERIFY(t != nullptr);
        const TableRect sel = t->Selection();
        QVERIFY(t->IsValid({sel.top, sel.left}) && t->IsValid({sel.bottom, sel.right}));
        QVERIFY(sel.Contains(t->Active()));
        CheckMap(t->RowMap(t->Active().row));
    }

    void CheckAll() {
        for (int i = 0; i < m_f.doc->GetMapCount() && !QTest::currentTestFailed(); ++i) CheckMap(*m_f.doc->GetMap(i));
    }

private:
    bool Chance(int percent) { return Pick(0, 99) < percent; }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    std::optional<double> RandomAfr() {
        switch (Pick(0, 5)) {
            case 0: return std::nullopt;
            case 1: return 0.0;
            case 2: return std::numeric_limits<double>::quiet_NaN();
            case 3: return 1000.0;
            default: return std::uniform_real_distribution<double>(10.0, 16.0)(m_rng);
        }
    }

    void TypeKey(CMapsView& view) {
        static const Qt::Key keys[] = {
            Qt::Key_Return,  Qt::Key_Space,  Qt::Key_Escape, Qt::Key_Home,      Qt::Key_End,     Qt::Key_Left,
            Qt::Key_Right,   Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Insert,    Qt::Key_0,       Qt::Key_5,
            Qt::Key_9,       Qt::Key_Exclam, Qt::Key_At,     Qt::Key_ParenLeft, Qt::Key_A,       Qt::Key_C,
            Qt::Key_D,       Qt::Key_F,      Qt::Key_L,      Qt::Key_M,         Qt::Key_P,       Qt::Key_T,
            Qt::Key_U,       Qt::Key_V,      Qt::Key_Z,      Qt::Key_B,         Qt::Key_Tab,     Qt::Key_PageUp};
        Qt::KeyboardModifiers mods;
        if (Chance(30)) mods |= Qt::ControlModifier;
        if (Chance(30)) mods |= Qt::ShiftModifier;
        if (Chance(5)) mods |= Qt::AltModifier;
        QTest::keyClick(&view, keys[Pick(0, static_cast<int>(std::size(keys)) - 1)], mods);
    }

    void DragMarker(CMapsView& view) {
        const CModuleMap* map = view.ShownMap();
        const QPoint from = view.PointPixel(Pick(0, map->GetNumberOfPoints() - 1)) + QPoint(Pick(-2, 2), Pick(-2, 2));
        const QPoint to = from + QPoint(Pick(-40, 40), Pick(-400, 400));
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        QTest::mouseMove(&view, (from + to) / 2);
        QTest::mouseMove(&view, to);
        // Now and then the drag is left hanging: the next key or press must end it.
        if (Chance(90)) QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
    }

    void TableEvent() {
        CTableView& view = m_table;
        const int roll = Pick(0, 99);
        if (roll < 45) {
            static const Qt::Key keys[] = {
                Qt::Key_Left,   Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,   Qt::Key_PageUp, Qt::Key_PageDown,
                Qt::Key_Home,   Qt::Key_End,   Qt::Key_Return, Qt::Key_Escape, Qt::Key_Insert, Qt::Key_Space,
                Qt::Key_H,      Qt::Key_V,     Qt::Key_B,      Qt::Key_S,      Qt::Key_T,      Qt::Key_Z,
                Qt::Key_Y,      Qt::Key_C,     Qt::Key_A,      Qt::Key_M,      Qt::Key_Backspace};
            Qt::KeyboardModifiers mods;
            if (Chance(25)) mods |= Qt::ControlModifier;
            if (Chance(25)) mods |= Qt::ShiftModifier;
            QTest::keyClick(&view, keys[Pick(0, static_cast<int>(std::size(keys)) - 1)], mods);
        } else if (roll < 65) {
            // A typed value, percentage or offset, sometimes no number at all.
            static const char* texts[] = {"12.5", "-3", "*110", "*-50", "+0.5", "+-2", "99999", "1e300", "1-2", ".", "*0"};
            QTest::keyClicks(&view, texts[Pick(0, static_cast<int>(std::size(texts)) - 1)]);
            if (Chance(85)) QTest::keyClick(&view, Qt::Key_Return);
        } else if (roll < 75) {
            static const char* clips[] = {"1\t2\n3\t4\n", "7", "1\tx\n", "", "1e9\t-1e9\n", "nan", "5\t5\t5\t5\t5\t5\n",
                                          "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n"};
            QApplication::clipboard()->setText(clips[Pick(0, static_cast<int>(std::size(clips)) - 1)]);
            view.RunCommand(TableCommand::Paste);
        } else if (roll < 88) {
            QWidget* vp = view.viewport();
            const QPoint from(Pick(0, vp->width() - 1), Pick(0, vp->height() - 1));
            const QPoint to(Pick(-50, vp->width() + 50), Pick(-50, vp->height() + 50));
            QTest::mousePress(vp, Qt::LeftButton, Chance(20) ? Qt::ShiftModifier : Qt::KeyboardModifiers(), from);
            QTest::mouseMove(vp, to);
            QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
        } else if (roll < 93) {
            view.SetLivePosition(std::uniform_real_distribution<double>(-500, 9000)(m_rng),
                                 std::uniform_real_distribution<double>(-10, 100)(m_rng));
        } else if (roll < 95) {
            view.ClearLivePosition();
        } else if (roll < 98) {
            static const char* families[] = {"fuel", "rear-trim", "ignition", "timing"};
            view.ShowFamily(families[Pick(0, 3)]);
        } else {
            view.resize(Pick(120, 1400), Pick(90, 1000));
        }
    }

    void LivePosition(CMapsView& view) {
        const CModuleMap* map = view.ShownMap();
        const double span = map->GetXSpan();
        view.SetMapPointerPosition(map->GetDisplayMinimum().x +
                                   std::uniform_real_distribution<double>(-0.2, 1.2)(m_rng) * span);
    }

    unsigned m_seed;
    std::mt19937 m_rng;
    ViewsFixture m_f;
    CCorvaneMapsView m_maps;
    CCorvaneAdvUserMapsView m_adv;
    CTableView m_table{*m_f.doc, m_f.settings};
    std::optional<double> m_afr;
    int m_event = 0;
    int m_edits = 0;
};

}  // namespace

class MapsViewMonkeyTest : public QObject {
    Q_OBJECT
private slots:
    void randomEventsKeepTheDocumentSound() {
        const int events = EnvInt("CORVANE_MONKEY_EVENTS", 2000);
        const auto seed = static_cast<unsigned>(EnvInt("CORVANE_MONKEY_SEED", 20240611));
        Monkey monkey(seed);
        for (int n = 0; n < events; ++n) {
            monkey.Event(n);
            monkey.CheckShown();
            monkey.CheckTable();
            if (n % 25 == 0) monkey.CheckAll();
            if (QTest::currentTestFailed()) return;
        }
        monkey.CheckAll();
        // A monkey whose events never reach the document would prove nothing.
        QVERIFY2(monkey.Edits() > events / 10, QByteArray::number(monkey.Edits()));
    }
};

QTEST_MAIN(MapsViewMonkeyTest)
#include "MapsViewMonkeyTest.moc"
