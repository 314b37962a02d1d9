#pragma once

#include <QString>

namespace ovisu {

// Edit distance (insertion, deletion, substitution each cost 1) over Unicode scalars, so a
// character outside the Basic Multilingual Plane counts once.
int levenshteinDistance(const QString& a, const QString& b);

// False if either text is empty; true if equal; otherwise whether 1 − distance / longer length
// reaches the threshold.
bool similar(const QString& a, const QString& b, double threshold);

}  // namespace ovisu
