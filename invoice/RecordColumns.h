#pragma once
// The columns of the table `fatura` after REC_ID, in their stored order, as every store lays
// them out: one list, so that the file and the server cannot disagree on a name or a width.

#include <string>
#include <vector>

struct TRecordColumn {
    std::string Name;
    int Width; // characters of a text; 0: a number
};

const std::vector<TRecordColumn> &RecordColumns();
// "TARIH, SAYIN1, ..., B8"
std::string ColumnList();
