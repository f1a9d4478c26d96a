#include "processing/StationHealth.h"

using journal::ExtractionHealth;

std::wstring HealthText(ExtractionHealth health) {
    switch (health) {
    case ExtractionHealth::Ok: return L"正常";
    case ExtractionHealth::FetchFailed: return L"取得失敗";
    case ExtractionHealth::NoMatch: return L"パターン不一致";
    case ExtractionHealth::EmptyFields: return L"項目なし";
    case ExtractionHealth::PageNotUpdated: return L"ページ更新なし";
    }
    return L"?";
}

bool HealthOfFetch(FetchStatus status, ExtractionHealth& health) {
    switch (status) {
    case FetchStatus::Ok: health = ExtractionHealth::Ok; return true;
    case FetchStatus::FetchFailed:
    case FetchStatus::ErrorStatus: health = ExtractionHealth::FetchFailed; return true;
    case FetchStatus::PatternMismatch: health = ExtractionHealth::NoMatch; return true;
    case FetchStatus::FieldsEmpty: health = ExtractionHealth::EmptyFields; return true;
    case FetchStatus::NoAddress: break;
    }
    return false;
}

std::wstring MainCaption(const std::vector<ExtractionHealth>& recent) {
    if (recent.empty() || recent.front() == ExtractionHealth::Ok) return L"Kestrel";
    return L"Kestrel - " + HealthText(recent.front());
}

bool HealthWarning::Due(const std::vector<ExtractionHealth>& recent) {
    int failures = 0;
    while (failures < static_cast<int>(recent.size()) && failures < kFailuresInARow &&
           recent[failures] != ExtractionHealth::Ok)
        ++failures;
    if (failures < kFailuresInARow) {
        warned_ = false;
        return false;
    }
    if (warned_) return false;
    warned_ = true;
    return true;
}
