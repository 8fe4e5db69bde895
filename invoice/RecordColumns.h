#pragma once
// The columns of the table `fatura` after REC_ID, in their stored order, as every store lays
// them out: one list, so that the file and the server cannot disagree on a name or a width.

#include <array>
#include <string>
#include <vector>

struct TRecordColumn {
    std::string Name;
    int Width; // characters of a text; 0: a number
};

const std::vector<TRecordColumn> &RecordColumns();
// "TARIH, SAYIN1, ..., B8"
std::string ColumnList();

// In TLocateField order: the columns the find dialog searches, and their search keys'
// columns in the table `fatura_ara` that both stores keep beside it.
inline constexpr std::array<const char *, 4> kSearchedColumns { "TARIH", "SAYIN1", "VDAIRESI",
    "VNO" };
inline constexpr std::array<const char *, 4> kKeyColumns { "TARIH_K", "SAYIN1_K", "VDAIRESI_K",
    "VNO_K" };
