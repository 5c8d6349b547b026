// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/BorderTerms.h"

#include <cmath>
#include <stdexcept>

#include "foundation/Exception.h"

namespace vestiscop::color {

namespace {

int distance2(LabPixel p, LabPixel q)
{
    const int dl = int{p.l} - int{q.l};
    const int da = int{p.a} - int{q.a};
    const int db = int{p.b} - int{q.b};
    return dl * dl + da * da + db * db;
}

} // namespace

BorderTerms::BorderTerms(const ColorNameTable& names, const ColorNameTable& terms)
    : m_entries(names.entries())
{
    const std::vector<ColorName>& basic = terms.entries();
    if (basic.size() != m_entries.size())
        throw foundation::ParseError(0);
    for (std::size_t i = 0; i < basic.size(); ++i) {
        if (!(basic[i].lab == m_entries[i].lab))
            throw foundation::ParseError(0);
        m_terms.push_back(basic[i].name);
    }
}

// The difference of the two distances, not their ratio: the entries are a
// few Lab units apart everywhere, and a ratio would call a dark colour a
// border case far more readily than a light one of the same gap.
std::string BorderTerms::alternative(LabPixel lab) const
{
    // The nearest entry as ColorNameTable::nearest finds it (of equally near
    // ones the earliest), so the first word is the one the analysis says.
    std::size_t nearest = 0;
    int nearestDistance = distance2(m_entries[0].lab, lab);
    for (std::size_t i = 1; i < m_entries.size(); ++i) {
        const int d = distance2(m_entries[i].lab, lab);
        if (d < nearestDistance) {
            nearestDistance = d;
            nearest = i;
        }
    }
    const std::string& term = m_terms[nearest];
    const std::string* other = nullptr;
    int otherDistance = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const int d = distance2(m_entries[i].lab, lab);
        if (m_terms[i] != term && (other == nullptr || d < otherDistance)) {
            otherDistance = d;
            other = &m_terms[i];
        }
    }
    if (other == nullptr || std::sqrt(otherDistance) - std::sqrt(nearestDistance) >= Margin)
        return {};
    return *other;
}

const std::string& BorderTerms::termOf(const ColorName& entry) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (&m_entries[i] == &entry || (m_entries[i].lab == entry.lab && m_entries[i].name == entry.name))
            return m_terms[i];
    throw std::invalid_argument("not an entry of the naming table: " + entry.name);
}

} // namespace vestiscop::color
