#include "Edits.h"

#include "TopicDocument.h"

#include <htmlfile/color/Color.h>
#include <htmlfile/platform/String.h>

#include <functional>

namespace htmltopic {
namespace {

std::wstring Wide(const std::string& text)
{
    return Utf8ToWide(text.c_str());
}

std::wstring OrEmpty(const wchar_t* psz)
{
    return psz ? psz : L"";
}

int SetBodyColor(TopicDocument& doc, BodyColor color, unsigned long value)
{
    switch (color) {
    case BodyColor::Bg: return doc.SetBgColor(value);
    case BodyColor::Text: return doc.SetTextColor(value);
    case BodyColor::Link: return doc.SetLinkColor(value);
    case BodyColor::VLink: return doc.SetVLinkColor(value);
    case BodyColor::ALink: return doc.SetALinkColor(value);
    }
    return 0;
}

// Collects the checks and the setter calls of one request: every check runs
// (and every getter, which may re-read the file) before any setter, so a
// refusal leaves the document untouched and a re-read cannot drop changes
// made earlier in the same request.
class EditPlan {
public:
    explicit EditPlan(TopicDocument& doc) : m_doc(doc) {}

    void Refuse(const std::string& reason) { m_result.refusals.push_back(reason); }
    void Change(std::function<void()> apply)
    {
        m_result.changed = true;
        m_steps.push_back(std::move(apply));
    }
    TopicDocument& Doc() { return m_doc; }

    EditResult Finish()
    {
        if (m_result.refusals.empty())
            for (auto& step : m_steps) step();
        return m_result;
    }

private:
    TopicDocument& m_doc;
    EditResult m_result;
    std::vector<std::function<void()>> m_steps;
};

std::string NoBodyReason(TopicDocument& doc)
{
    if (doc.HasBodyInsideFrameset())
        return "the file's <body> tag is inside its frame layout, which a save rewrites without it";
    return "the file has no <body> tag";
}

void PlanBgSound(EditPlan& plan, const EditRequest& request)
{
    TopicDocument& doc = plan.Doc();
    int loop = 1;
    const wchar_t* pszCurrent = doc.GetBgSound(&loop);
    if (request.removeBgSound) {
        // Without a sound there is nothing to remove; a call would add an
        // empty element (and a line break) in front of the body.
        if (pszCurrent) plan.Change([&doc, loop] { doc.SetBgSound(nullptr, loop); });
        return;
    }
    if (!request.bgSound) return;
    // A new sound element goes in front of the body start tag.
    if (!pszCurrent && !doc.HasBodyTag()) return plan.Refuse("cannot add a background sound: " + NoBodyReason(doc));
    int newLoop = request.bgSoundLoop.value_or(pszCurrent ? loop : 1);
    std::wstring src = Wide(*request.bgSound);
    if (pszCurrent && src == pszCurrent && newLoop == loop) return;
    plan.Change([&doc, src, newLoop] { doc.SetBgSound(src.c_str(), newLoop); });
}

void PlanTitle(EditPlan& plan, const EditRequest& request)
{
    if (!request.title) return;
    TopicDocument& doc = plan.Doc();
    if (!doc.HasTitleElement()) return plan.Refuse("cannot set the title: the file has no <title> element");
    std::wstring title = Wide(*request.title);
    if (title == OrEmpty(doc.GetTitle())) return;
    plan.Change([&doc, title] { doc.SetTitle(title.c_str()); });
}

void PlanStyleSheet(EditPlan& plan, const EditRequest& request)
{
    TopicDocument& doc = plan.Doc();
    std::wstring current = doc.HasStyleSheetLink() ? OrEmpty(doc.GetStyleSheet()) : L"";
    if (request.removeStyleSheet) {
        if (!current.empty()) plan.Change([&doc] { doc.SetStyleSheet(nullptr); });
        return;
    }
    if (!request.styleSheet) return;
    // A new link goes in front of the title element; without one the
    // library would put it after the end of the page.
    if (!doc.HasStyleSheetLink() && !doc.HasTitleElement())
        return plan.Refuse("cannot add a style sheet link: the file has no <title> element to put it before");
    std::wstring href = Wide(*request.styleSheet);
    if (doc.HasStyleSheetLink() && href == current) return;
    plan.Change([&doc, href] { doc.SetStyleSheet(href.c_str()); });
}

void PlanColors(EditPlan& plan, const EditRequest& request)
{
    TopicDocument& doc = plan.Doc();
    for (size_t i = 0; i < kBodyColorCount; ++i) {
        if (!request.colors[i]) continue;
        auto color = static_cast<BodyColor>(i);
        COLORREF wanted = *request.colors[i];
        unsigned long current = GetBodyColor(doc, color);
        if (wanted == NO_COLOR && current == NO_COLOR) continue;
        if (!doc.HasBodyTag()) {
            plan.Refuse(std::string("cannot set ") + BodyColorName(color) + ": " + NoBodyReason(doc));
            continue;
        }
        if (current == wanted) continue;
        plan.Change([&doc, color, wanted] { SetBodyColor(doc, color, wanted); });
    }
}

void PlanBackground(EditPlan& plan, const EditRequest& request)
{
    TopicDocument& doc = plan.Doc();
    std::wstring current = OrEmpty(doc.GetBgImage());
    if (request.removeBackground) {
        if (!current.empty()) plan.Change([&doc] { doc.SetBgImage(L""); });
        return;
    }
    if (!request.background) return;
    if (!doc.HasBodyTag()) return plan.Refuse("cannot set the background image: " + NoBodyReason(doc));
    std::wstring image = doc.ResolveAgainstTopic(*request.background);
    if (image == current) return;
    plan.Change([&doc, image] { doc.SetBgImage(image.c_str()); });
}

void PlanWatermark(EditPlan& plan, const EditRequest& request)
{
    if (!request.watermark) return;
    TopicDocument& doc = plan.Doc();
    bool wanted = *request.watermark;
    if (wanted && !doc.HasBodyTag()) return plan.Refuse("cannot turn the watermark on: " + NoBodyReason(doc));
    if ((doc.GetWaterMark() != FALSE) == wanted) return;
    plan.Change([&doc, wanted] { doc.SetWaterMark(wanted ? TRUE : FALSE); });
}

} // namespace

const char* BodyColorName(BodyColor color)
{
    switch (color) {
    case BodyColor::Bg: return "bgcolor";
    case BodyColor::Text: return "text";
    case BodyColor::Link: return "link";
    case BodyColor::VLink: return "vlink";
    case BodyColor::ALink: return "alink";
    }
    return "";
}

unsigned long GetBodyColor(TopicDocument& doc, BodyColor color)
{
    switch (color) {
    case BodyColor::Bg: return doc.GetBgColor();
    case BodyColor::Text: return doc.GetTextColor();
    case BodyColor::Link: return doc.GetLinkColor();
    case BodyColor::VLink: return doc.GetVLinkColor();
    case BodyColor::ALink: return doc.GetALinkColor();
    }
    return NO_COLOR;
}

bool EditRequest::IsEmpty() const
{
    for (const auto& color : colors)
        if (color) return false;
    return !title && !styleSheet && !removeStyleSheet && !background && !removeBackground && !watermark && !bgSound &&
           !removeBgSound;
}

EditResult ApplyEdits(TopicDocument& doc, const EditRequest& request)
{
    EditPlan plan(doc);
    // The sound first: its setter is the one that reads the file again.
    PlanBgSound(plan, request);
    PlanTitle(plan, request);
    PlanStyleSheet(plan, request);
    PlanColors(plan, request);
    PlanBackground(plan, request);
    PlanWatermark(plan, request);
    return plan.Finish();
}

} // namespace htmltopic
