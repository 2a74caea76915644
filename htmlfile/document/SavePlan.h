// The order in which a save writes a document's recorded elements.
//
// The object list holds elements read from the file (with their spans) and
// elements the caller inserted (m_nEnd == -1). The plan guarantees that no
// text of the old file is lost or repeated, whatever the list holds:
//   - each run of inserted elements is attached to the list element that
//     follows it, or to the end of the list;
//   - the elements read from the file are taken in order of m_nBegin
//     (stable); one whose span is incomplete (m_nEnd < m_nBegin, e.g. a map
//     whose end tag never came) or that begins at or before the end of an
//     element already kept (it lies inside or overlaps a kept element, e.g.
//     a body tag in a recorded frameset's no-frames content) is left out:
//     its old text is copied unchanged or replaced by the element that
//     covers it. Inserted elements attached to a left-out element move to
//     the kept element that covers it, else to the next kept one, else to
//     the end.
// For a list in file order without overlaps this is exactly the walk of the
// list itself.
//
// A document that saves only what changed names the elements that are as
// they were read: each stays a step, so that what was inserted before it is
// written there, but writes nothing and skips nothing. Its old text is
// copied with the text around it, and elements recorded inside it (a body
// tag in the no-frames part of an unchanged frame layout) are written at
// their own spans when they changed.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/platform/List.h>

#include <functional>
#include <vector>

namespace htmlfile_detail {

struct SaveStep {
    CHTMLObject* pElement;                 // a kept element read from the file
    std::vector<CHTMLObject*> vecInserted; // written before it, each with CR LF
    bool bWrite = true;                    // false: left as it was read
};

struct SavePlan {
    std::vector<SaveStep> vecSteps;          // in file order, spans disjoint
    std::vector<CHTMLObject*> vecAtEnd;      // written after the old text
};

using UnchangedTest = std::function<bool(CHTMLObject*)>;
HTMLFILE_API SavePlan BuildSavePlan(const CList<CHTMLObject*, CHTMLObject*>& listObjects,
                                    const UnchangedTest& isUnchanged = {});

} // namespace htmlfile_detail
