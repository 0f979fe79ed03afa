#include "markers/MarkerProperties.h"

#include <cmath>

#include "common/Text.h"
#include "common/UserInteraction.h"
#include "markers/MarkersManager.h"

CMarkerPropertiesModel::CMarkerPropertiesModel(CMarkersManager& manager, CMarker& marker)
    : manager_(manager), marker_(marker), original_(marker.GetParams()), params_(marker.GetParams()) {}

void CMarkerPropertiesModel::Apply(const SMarkParams& params) {
  params_ = params;
  marker_.SetParams(params_);
  params_ = marker_.GetParams();
}

bool CMarkerPropertiesModel::ApplyNumber(double SMarkParams::* field, double value) {
  if (std::isnan(value)) return false;
  SMarkParams p = params_;
  p.*field = value;
  Apply(p);
  return true;
}

int CMarkerPropertiesModel::ModeItem() const {
  switch (params_.mode) {
    case mmFree:
      return 0;
    case mmRef:
      return 7;
    default:
      return static_cast<int>(params_.mode) + (params_.deltaMeasure ? 3 : 0);
  }
}

void CMarkerPropertiesModel::SetModeItem(int item) {
  if (item < 0 || item >= kModeItems) return;
  SMarkParams p = params_;
  p.deltaMeasure = item >= 4 && item <= 6;
  if (item == 0) {
    p.mode = mmFree;
  } else if (item == 7) {
    p.mode = mmRef;
    const int self = manager_.GetMarkerIndex(&marker_);
    if (p.refMarker < 0 || p.refMarker == self) {
      // The first other marker that is on, else the first other one.
      p.refMarker = -1;
      for (unsigned i = 0; i < kMarkerCount && p.refMarker < 0; ++i)
        if (static_cast<int>(i) != self && manager_.Marker(i)->IsActivated()) p.refMarker = static_cast<int>(i);
      for (unsigned i = 0; i < kMarkerCount && p.refMarker < 0; ++i)
        if (static_cast<int>(i) != self) p.refMarker = static_cast<int>(i);
    }
  } else {
    p.mode = static_cast<EMarkMode>(item <= 3 ? item : item - 3);
    if (p.deltaMeasure && p.refTraceIndex < 0) p.refTraceIndex = p.traceIndex;
  }
  Apply(p);
}

void CMarkerPropertiesModel::SetDirection(EMarkDirection direction) {
  SMarkParams p = params_;
  const auto byLevel = [](EMarkDirection d) { return d == mdLeftResp || d == mdRightResp; };
  if (byLevel(direction) != byLevel(p.direction)) p.divergence = 0;
  p.direction = direction;
  Apply(p);
}

std::wstring CMarkerPropertiesModel::OffsetCaption() const {
  return ModeItem() == 7 ? Tr("Смещение относительно опорного маркера") : Tr("Смещение относительно экстремума");
}
std::wstring CMarkerPropertiesModel::OffsetHint() const {
  return ModeItem() == 7 ? Tr("Тип смещения относительно опорного маркера") : Tr("Тип смещения относительно экстремума");
}
std::wstring CMarkerPropertiesModel::LevelCaption() const {
  const int item = ModeItem();
  return item >= 4 && item <= 6 ? Tr("Разность уровней") : Tr("Уровень");
}
std::wstring CMarkerPropertiesModel::LevelHint() const {
  const int item = ModeItem();
  return item >= 4 && item <= 6 ? Tr("Фиксированная разность уровней для поиска") : Tr("Фиксированный уровень для поиска");
}

void CMarkerPropertiesModel::Cancel() {
  marker_.SetParams(original_);
  params_ = original_;
}

bool CMarkerPropertiesModel::Ok() {
  if (params_.mode == mmRef && params_.refMarker >= 0 && params_.refMarker < static_cast<int>(kMarkerCount)) {
    CMarker* ref = manager_.Marker(static_cast<unsigned>(params_.refMarker));
    if (ref != nullptr && ref != &marker_) {
      if (!ref->IsActivated()) ref->Activate(true);
      ref->AddReference(&marker_);
    }
  }
  if (original_.mode == mmRef && original_.refMarker >= 0 && original_.refMarker < static_cast<int>(kMarkerCount) &&
      (params_.mode != mmRef || params_.refMarker != original_.refMarker)) {
    if (CMarker* old = manager_.Marker(static_cast<unsigned>(original_.refMarker)); old != nullptr)
      old->RemoveReference(&marker_);
  }
  marker_.Update();
  if (params_.stimFraction == original_.stimFraction && params_.valueFraction == original_.valueFraction) return false;
  if (!QuorQuestion(nullptr, Tr("Применить настройку количества дробных знаков для всех маркеров диаграммы?"),
                    Tr("Свойства маркера")))
    return false;
  for (unsigned i = 0; i < kMarkerCount; ++i) {
    CMarker* m = manager_.Marker(i);
    if (m == &marker_) continue;
    SMarkParams p = m->GetParams();
    p.stimFraction = params_.stimFraction;
    p.valueFraction = params_.valueFraction;
    m->BlockUpdate(m->GetParked());
    m->SetParams(p);
    m->BlockUpdate(false);
  }
  return true;
}
