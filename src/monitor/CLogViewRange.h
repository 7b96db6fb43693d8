#pragma once

namespace corvane {

// The range a value axis of the log viewer shows for values from `lowest` to `highest`: 5 % of
// the span added on each side, so no trace runs along the plot's edge. A constant trace (no
// span) gets 5 % of its value on each side, at least 1, so that the axis keeps ticks with
// distinct labels instead of labelling every tick with the same number.
struct ValueAxisRange {
    double lower = 0.0;
    double upper = 1.0;
};
[[nodiscard]] ValueAxisRange FitValueAxis(double lowest, double highest);

// The time span a log plot shows and where its cursor stands, within the log's own span:
// what zoom, pan and the cursor keys and mouse of the log viewer change. The shown span never
// leaves the log's span and never gets narrower than kMinimumSpan, so no zoom or pan can lose
// the data off screen or divide by a zero width; the cursor always stands inside the log.
class CLogViewRange {
public:
    static constexpr double kMinimumSpan = 0.01;  // seconds
    static constexpr double kKeyZoomFactor = 2.0;
    static constexpr double kKeyPanFraction = 0.1;

    // The log's first and last time; a log of one row gets kMinimumSpan from its time on.
    void SetLogSpan(double first, double last);
    [[nodiscard]] double LogFirst() const { return m_logFirst; }
    [[nodiscard]] double LogLast() const { return m_logLast; }

    [[nodiscard]] double ShownFirst() const { return m_first; }
    [[nodiscard]] double ShownLast() const { return m_last; }
    [[nodiscard]] double ShownSpan() const { return m_last - m_first; }
    // Shows [first, last], moved and cut back into the log's span.
    void Show(double first, double last);
    void ShowAll() { Show(m_logFirst, m_logLast); }
    // Zooms in (factor > 1) or out (factor < 1) about `centre`, which stays where it is on
    // screen.
    void ZoomAbout(double centre, double factor);
    void ZoomIn() { ZoomAbout(Middle(), kKeyZoomFactor); }
    void ZoomOut() { ZoomAbout(Middle(), 1.0 / kKeyZoomFactor); }
    // Moves the shown span later by `seconds` (earlier when negative), keeping its width.
    void Pan(double seconds);
    void PanPages(double fraction) { Pan(fraction * ShownSpan()); }

    [[nodiscard]] double Cursor() const { return m_cursor; }
    void SetCursor(double t);
    // Moves the cursor by `seconds`, bringing the shown span along when it leaves it.
    void StepCursor(double seconds);

    // Converts between a time and a position 0..1 across the shown span.
    [[nodiscard]] double TimeAt(double fraction) const { return m_first + fraction * ShownSpan(); }
    [[nodiscard]] double FractionOf(double t) const { return (t - m_first) / ShownSpan(); }

private:
    [[nodiscard]] double Middle() const { return 0.5 * (m_first + m_last); }

    double m_logFirst = 0.0;
    double m_logLast = kMinimumSpan;
    double m_first = 0.0;
    double m_last = kMinimumSpan;
    double m_cursor = 0.0;
};

}  // namespace corvane
