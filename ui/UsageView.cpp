#include "UsageView.h"

#include "platform/Checked.h"
#include "usage/LocalDay.h"

#include <algorithm>

namespace UsageView {

using namespace std::chrono;

namespace {

// Sums of months of a counter that only grows: a damaged file's huge figures stay at the largest count
// rather than wrapping into negative bars.
void Add(TUsageFigures& sum, const TUsageFigures& figures)
{
    sum.Received = Checked::SaturatingAdd(sum.Received, std::max<int64_t>(figures.Received, 0));
    sum.Sent = Checked::SaturatingAdd(sum.Sent, std::max<int64_t>(figures.Sent, 0));
    sum.Seconds = Checked::SaturatingAdd(sum.Seconds, std::max<int64_t>(figures.Seconds, 0));
}

} // namespace

TUsageView Of(const QString& caption, const std::vector<TUsageRow>& days, const std::vector<TUsageRow>& periods,
              const BillingPeriod::TSettings& billing, year_month_day today, Units::TUnits units)
{
    TUsageView view;
    view.Caption = caption;
    view.Billing = billing;
    view.Units = units;

    const sys_days last{today};
    const sys_days first = last - std::chrono::days(TUsageView::DayCount - 1);
    for (int i = 0; i < TUsageView::DayCount; ++i)
        view.Days.push_back({year_month_day(first + std::chrono::days(i)), {}});
    for (const TUsageRow& row : days) {
        const auto date = LocalDay::Parse(row.Date);
        if (!date) continue;
        // The reader's newest days with figures may reach back past the chart, or ahead of a clock set back.
        const sys_days at{*date};
        if (at < first || at > last) continue;
        Add(view.Days[static_cast<std::size_t>((at - first).count())].Figures, row.Figures);
    }

    BillingPeriod::TPeriod period = BillingPeriod::Containing(today, billing.BillingDay);
    for (int i = 0; i < TUsageView::PeriodCount; ++i) {
        view.Periods.push_back({period, {}});
        period = BillingPeriod::Previous(period, billing.BillingDay);
    }
    for (const TUsageRow& row : periods) {
        const auto date = LocalDay::Parse(row.Date);
        const auto match = std::find_if(view.Periods.begin(), view.Periods.end(),
                                        [&](const TUsagePeriod& shown) { return date && shown.Period.First == *date; });
        if (match != view.Periods.end()) Add(match->Figures, row.Figures);
    }
    view.Current = view.Periods.front();
    return view;
}

int64_t Total(const TUsageFigures& figures) { return Checked::SaturatingAdd(figures.Received, figures.Sent); }

QString DateText(year_month_day date) { return QString::fromStdString(LocalDay::Text(date)); }

QString Amount(int64_t bytes, Units::TUnits units) { return QString::fromStdString(Units::Amount(bytes, units)); }

QString Duration(int64_t seconds)
{
    const int64_t shown = std::max<int64_t>(seconds, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(shown / 3600, 2, 10, QChar('0'))
        .arg(shown / 60 % 60, 2, 10, QChar('0'))
        .arg(shown % 60, 2, 10, QChar('0'));
}

QString PeriodText(const BillingPeriod::TPeriod& period)
{
    return DateText(period.First) + QStringLiteral(" to ") + DateText(period.Last);
}

QString DayTip(const TUsageDay& day, Units::TUnits units)
{
    const TUsageFigures& figures = day.Figures;
    return DateText(day.Date) + QStringLiteral("\nReceived: ") + UsageView::Amount(figures.Received, units) +
           QStringLiteral("\nSent: ") + UsageView::Amount(figures.Sent, units) + QStringLiteral("\nTotal: ") +
           UsageView::Amount(Total(figures), units) + QStringLiteral("\nOnline: ") + Duration(figures.Seconds);
}

QString CapText(const TUsageView& view)
{
    if (view.Billing.DataCap <= 0) return QStringLiteral("No data cap");
    return QStringLiteral("Cap: ") + UsageView::Amount(view.Billing.DataCap, view.Units);
}

QString ShareText(const TUsageView& view)
{
    const int64_t cap = view.Billing.DataCap;
    if (cap <= 0) return {};
    // In tenths and integers, as the usage report writes it, so that both show the same figure.
    const auto used = static_cast<__int128>(Total(view.Current.Figures));
    const auto tenths = static_cast<int64_t>((used * 1000 + cap / 2) / cap);
    return QStringLiteral("%1.%2% used, warning at %3%")
        .arg(tenths / 10)
        .arg(tenths % 10)
        .arg(view.Billing.CapWarnPercent);
}

} // namespace UsageView
