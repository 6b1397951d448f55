#include "MainDisplays.h"

#include "MainParts.h"
#include "ValueLabel.h"

#include "trend/Trend.h"
#include "ui/ImageList.h"
#include "ui/TrayIcon.h"
#include "ui/mon.h"

namespace MainDisplays {
namespace {

void ShowIfSet(TValueLabel* label, const std::optional<QString>& text)
{
    if (text) label->SetCaption(*text);
}

void ShowCurrent(const TCurrentTexts& texts, TMainParts& parts)
{
    ShowIfSet(parts.LabelConn, texts.Conn);
    ShowIfSet(parts.LabelSpeed, texts.Speed);
    ShowIfSet(parts.LabelSent, texts.Sent);
    ShowIfSet(parts.LabelRecv, texts.Recv);
    ShowIfSet(parts.LabelDuration, texts.Duration);
    ShowIfSet(parts.LabelDNS1, texts.Dns1);
    ShowIfSet(parts.LabelDNS2, texts.Dns2);
    ShowIfSet(parts.LabelGatewayIP, texts.Gateway);
    ShowIfSet(parts.LabelClientIP, texts.ClientIp);
    ShowIfSet(parts.LabelUpSpeed, texts.UpSpeed);
    ShowIfSet(parts.LabelDownSpeed, texts.DownSpeed);
    if (texts.DurationHint) parts.LabelDuration->setToolTip(*texts.DurationHint);
    if (texts.ConnHint) parts.LabelConn->setToolTip(*texts.ConnHint);
    for (auto [label, hint] : {std::pair{parts.LabelDNS1, &texts.Dns1Hint},
                               {parts.LabelDNS2, &texts.Dns2Hint},
                               {parts.LabelGatewayIP, &texts.GatewayHint},
                               {parts.LabelClientIP, &texts.ClientIpHint}})
        if (*hint) label->setToolTip(**hint);
}

void ShowLast(const TLastTexts& texts, TMainParts& parts)
{
    parts.LabelLastConn->SetCaption(texts.Conn);
    parts.LabelLastSpeed->SetCaption(texts.Speed);
    parts.LabelLastSent->SetCaption(texts.Sent);
    parts.LabelLastRecv->SetCaption(texts.Recv);
    parts.LabelLastDuration->SetCaption(texts.Duration);
    parts.LabelLastDuration->setToolTip(texts.DurationHint);
}

void ShowTotals(const TTotalTexts& texts, TMainParts& parts)
{
    parts.LabelTotalSent->SetCaption(texts.Sent);
    parts.LabelTotalRecv->SetCaption(texts.Recv);
    parts.LabelTotalDuration->SetCaption(texts.Duration);
}

void ShowGraphs(const TTickOutcome& outcome, TMainParts& parts, TMonForm* monitor)
{
    if (const auto& bounds = outcome.RestartGraphs) {
        parts.Trend->SetMaxVal(bounds->Max);
        parts.Trend->SetMinVal(bounds->Min);
        parts.Trend->ClearDataA();
        parts.Trend->ClearDataB();
        if (monitor) monitor->RestartTrend(bounds->Max, bounds->Min);
    }
    if (const auto& sample = outcome.GraphSample) {
        parts.Trend->AddDataA(sample->DownRate);
        parts.Trend->AddDataB(sample->UpRate);
        if (monitor) monitor->ShowSample(sample->DownRate, sample->UpRate, sample->Duration);
    }
}

void ShowTray(const TTickOutcome& outcome, TMainParts& parts)
{
    if (outcome.TrayHint) parts.TrayIcon->SetHint(*outcome.TrayHint);
    if (outcome.IconIndex) parts.TrayIcon->SetIconIndex(*outcome.IconIndex);
}

} // namespace

void Show(const TTickOutcome& outcome, TMainParts& parts, TMonForm* monitor)
{
    ShowGraphs(outcome, parts, monitor);
    if (outcome.Last) ShowLast(*outcome.Last, parts);
    ShowCurrent(outcome.Current, parts);
    if (outcome.Totals) ShowTotals(*outcome.Totals, parts);
    ShowTray(outcome, parts);
}

} // namespace MainDisplays
