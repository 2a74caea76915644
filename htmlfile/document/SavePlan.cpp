#include <htmlfile/document/SavePlan.h>

#include <algorithm>

namespace htmlfile_detail {

namespace {

bool IsInserted(const CHTMLObject* pObject)
{
    return pObject->m_nEnd == -1;
}

void Append(std::vector<CHTMLObject*>& to, std::vector<CHTMLObject*>& from)
{
    to.insert(to.end(), from.begin(), from.end());
    from.clear();
}

} // namespace

SavePlan BuildSavePlan(const CList<CHTMLObject*, CHTMLObject*>& listObjects, const UnchangedTest& isUnchanged)
{
    // Attach every run of inserted elements to the read element after it.
    std::vector<SaveStep> vecRead;
    std::vector<CHTMLObject*> vecPending;
    for (POSITION pos = listObjects.GetHeadPosition(); pos;) {
        CHTMLObject* pObject = listObjects.GetNext(pos);
        if (!pObject) continue;
        if (IsInserted(pObject)) {
            vecPending.push_back(pObject);
        } else {
            vecRead.push_back(SaveStep{pObject, {}, true});
            vecRead.back().vecInserted.swap(vecPending);
        }
    }

    SavePlan plan;
    plan.vecAtEnd.swap(vecPending);
    std::stable_sort(vecRead.begin(), vecRead.end(), [](const SaveStep& a, const SaveStep& b) {
        return a.pElement->m_nBegin < b.pElement->m_nBegin;
    });

    // Keep the elements whose spans are complete and disjoint; inserted
    // elements of a left-out one go to its cover, or wait for the next kept.
    std::vector<CHTMLObject*> vecCarried;
    int nLastKeptEnd = 0;
    for (SaveStep& step : vecRead) {
        const CHTMLObject* pElement = step.pElement;
        bool bIncomplete = pElement->m_nEnd < pElement->m_nBegin;
        bool bCovered = !plan.vecSteps.empty() && pElement->m_nBegin <= nLastKeptEnd;
        if (!bIncomplete && pElement->m_nBegin > nLastKeptEnd) {
            SaveStep kept{step.pElement, {}, !(isUnchanged && isUnchanged(step.pElement))};
            Append(kept.vecInserted, vecCarried);
            Append(kept.vecInserted, step.vecInserted);
            nLastKeptEnd = kept.bWrite ? pElement->m_nEnd : pElement->m_nBegin - 1;
            plan.vecSteps.push_back(std::move(kept));
        } else if (bCovered) {
            Append(plan.vecSteps.back().vecInserted, step.vecInserted);
        } else {
            Append(vecCarried, step.vecInserted);
        }
    }
    vecCarried.insert(vecCarried.end(), plan.vecAtEnd.begin(), plan.vecAtEnd.end());
    plan.vecAtEnd.swap(vecCarried);
    return plan;
}

} // namespace htmlfile_detail
