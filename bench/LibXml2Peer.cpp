#include "LibXml2Peer.h"

#include <libxml/HTMLparser.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace bench {
namespace {

constexpr size_t kChunk = 64 * 1024;

void OnStart(void* context, const xmlChar*, const xmlChar** attributes)
{
    auto* counts = static_cast<PeerCounts*>(context);
    ++counts->startTags;
    if (attributes)
        for (; attributes[0]; attributes += 2) ++counts->attributes;
}

void OnEnd(void* context, const xmlChar*)
{
    ++static_cast<PeerCounts*>(context)->endTags;
}

void OnText(void*, const xmlChar*, int) {}

// The push parser of libxml2 2.9 needs two things to read a long file of
// many topics at all; without them it reports a few hundred tags of a
// million and looks absurdly fast:
// - a chunk that ends inside a quoted attribute value makes it buffer all
//   later input unparsed, so every chunk is handed over cut after its last
//   '>' and the tail goes with the next one;
// - it ends the document at the first content after </html>, so a new
//   parser takes over from the first byte the old one did not consume.
class PushParser {
public:
    explicit PushParser(PeerCounts& counts) : m_counts(counts)
    {
        std::memset(&m_sax, 0, sizeof m_sax);
        m_sax.startElement = OnStart;
        m_sax.endElement = OnEnd;
        m_sax.characters = OnText;
        m_sax.cdataBlock = OnText;
        m_sax.ignorableWhitespace = OnText;
        Open();
    }
    ~PushParser() { Close(); }
    PushParser(const PushParser&) = delete;
    PushParser& operator=(const PushParser&) = delete;

    void Write(const char* p, size_t n)
    {
        const char* const end = p + n;
        const auto* last = static_cast<const char*>(memrchr(p, '>', n));
        if (!last) {
            m_tail.append(p, n);
            return;
        }
        ++last;
        if (!m_tail.empty()) {
            m_tail.append(p, last);
            Push(m_tail.data(), m_tail.size());
        } else {
            Push(p, static_cast<size_t>(last - p));
        }
        m_tail.assign(last, end);
    }

    void Finish()
    {
        if (!m_tail.empty()) Push(m_tail.data(), m_tail.size());
        m_tail.clear();
        htmlParseChunk(m_context, nullptr, 0, 1);
    }

private:
    void Push(const char* p, size_t n)
    {
        htmlParseChunk(m_context, p, static_cast<int>(n), 0);
        for (;;) {
            if (m_context->instate == XML_PARSER_EOF) {
                std::string rest(reinterpret_cast<const char*>(m_context->input->cur), Unconsumed());
                Close();
                Open();
                if (rest.empty()) return;
                htmlParseChunk(m_context, rest.data(), static_cast<int>(rest.size()), 0);
                if (m_context->instate == XML_PARSER_EOF && Unconsumed() == rest.size()) {
                    // No progress at all: give the rest up rather than loop.
                    Close();
                    Open();
                    return;
                }
            } else if (m_context->instate == XML_PARSER_EPILOG && Unconsumed() != 0) {
                // After </html> it stops at the next run of blanks and
                // leaves the rest unread: ask again, or the topics still in
                // its buffer are lost when the input ends.
                const size_t before = Unconsumed();
                htmlParseChunk(m_context, nullptr, 0, 0);
                if (m_context->instate != XML_PARSER_EOF && Unconsumed() == before) return;
            } else {
                return;
            }
        }
    }

    size_t Unconsumed() const { return static_cast<size_t>(m_context->input->end - m_context->input->cur); }

    void Open()
    {
        m_context = htmlCreatePushParserCtxt(&m_sax, &m_counts, nullptr, 0, "topic", XML_CHAR_ENCODING_UTF8);
        if (!m_context) throw std::runtime_error("libxml2: cannot create a push parser");
        htmlCtxtUseOptions(m_context, HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER | HTML_PARSE_NONET);
        ++m_counts.documents;
    }

    void Close()
    {
        if (!m_context) return;
        if (m_context->myDoc) xmlFreeDoc(m_context->myDoc);
        htmlFreeParserCtxt(m_context);
        m_context = nullptr;
    }

    PeerCounts& m_counts;
    xmlSAXHandler m_sax;
    htmlParserCtxtPtr m_context = nullptr;
    std::string m_tail;
};

} // namespace

PeerCounts ParseWithLibXml2(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    PeerCounts counts;
    std::vector<char> buffer(kChunk);
    {
        PushParser parser(counts);
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ::close(fd);
                throw std::runtime_error("cannot read " + path);
            }
            if (n == 0) break;
            counts.bytes += static_cast<std::uint64_t>(n);
            parser.Write(buffer.data(), static_cast<size_t>(n));
        }
        parser.Finish();
    }
    ::close(fd);
    return counts;
}

} // namespace bench
