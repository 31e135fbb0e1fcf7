#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <utility>

namespace quarvel {

// "已导出 12/2000" on a line of its own that each update overwrites, moved
// out of the way of the messages. verb: three Chinese characters.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool shown, std::size_t total, std::string verb)
        : m_err(err), m_shown(shown), m_total(total), m_verb(std::move(verb)) {}

    void Clear() {
        if (m_shown && m_width > 0) {
            m_err << '\r' << std::string(m_width, ' ') << '\r';
            m_width = 0;
        }
    }

    void Show(std::size_t done) {
        if (!m_shown) {
            return;
        }
        const std::string text = std::to_string(done) + "/" + std::to_string(m_total);
        m_err << '\r' << m_verb << ' ' << text << std::flush;
        m_width = text.size() + 8; // the verb and its blank take seven columns
    }

private:
    std::ostream& m_err;
    bool m_shown;
    std::size_t m_total;
    std::string m_verb;
    std::size_t m_width = 0;
};

} // namespace quarvel
