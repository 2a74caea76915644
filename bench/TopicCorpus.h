// Deterministic inputs for the benchmarks: help topics of a chosen size and
// the adversarial files that stress one recording path each.
//
// Every generator depends only on its arguments, so two runs (and two
// machines) measure the same bytes. The topics are UTF-8 with CR LF line
// ends and carry what real topics carry: a head with title, style sheet
// link and meta tags, a body tag with colours and a background, paragraphs
// with inline markup, links and bookmarks, lists, tables, images with image
// maps, keyword objects with parameters, scripts and styles holding
// tag-like text, comments holding markup, character references and
// non-ASCII text (Latin-1, Greek, Cyrillic, CJK, emoji).
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// What a generator wrote as markup. Tags inside comments, scripts and
// styles are text and not counted, so these are what a tag scanner must
// report.
struct MarkupCounts {
    std::uint64_t bytes = 0;
    std::uint64_t pages = 0;
    std::uint64_t startTags = 0;
    std::uint64_t endTags = 0;
    std::uint64_t attributes = 0;
};

enum class TopicKind {
    // Pages of 2.5 to 7.5 KB one after another, each a whole topic: many
    // recorded elements (links, images, maps, objects, one end of body per
    // page).
    Pages,
    // One topic whose body grows to the size asked for, without links,
    // images, maps, objects or sounds: the document records its title,
    // style sheet link and body tag and little else.
    PlainTopic,
};

// The words of the pages' text: the mixed words above, or more than a third
// of them Japanese or Chinese, for pages that are then encoded in
// Shift_JIS or GBK.
enum class TopicLanguage { Mixed, Japanese, Chinese };

// Writes topics until the file holds at least nBytes (at least one page).
// Throws std::runtime_error when the file can't be written.
MarkupCounts WriteTopics(const std::string& path, TopicKind kind, std::uint64_t nBytes,
                         TopicLanguage language = TopicLanguage::Mixed);

// Files that take one recording path to the extreme, each padded with
// ordinary text to about nBytes.
enum class Adversary {
    Titles,           // 100,000 title elements
    BgSounds,         // 100,000 background sound tags
    Maps,             // 100,000 image maps, each with areas
    DiscardedObjects, // 100,000 object elements, each dropped at a later tag
    HugeAttribute,    // one attribute value of nBytes
    HugeComment,      // one comment of nBytes
};

const char* AdversaryName(Adversary adversary);

MarkupCounts WriteAdversary(const std::string& path, Adversary adversary, std::uint64_t nBytes);

} // namespace bench
