// Building the keyboard model and the practice sets of the practice window.
#include <algorithm>
#include <ctime>

#include "app/PracticeDialog.h"
#include "practice/TargetOrder.h"

void PracticeDialog::BuildKeyboardModel()
{
    BuildKeyCharacters(m_keyChar, m_keyShiftChar, m_keySoundName);
    for (auto& res : m_keyWaveRes) {
        res = nullptr;
    }
    m_okWaveRes = nullptr;
    m_errorWaveRes = nullptr;
    BuildTargetTable(m_targetKey);
    for (int r = 0; r < kKeyRows; ++r) {
        m_nKeysInRow[r] = kKeysInRow[r];
    }
    const KeyScale scale = ComputeKeyScale(m_nScreenWidth, m_nScreenHeight);
    m_nUnitsWide = scale.unitsWide;
    m_nUnitsHigh = scale.unitsHigh;
    m_fUnitsPerPixelX = scale.unitsPerPixelX;
    m_fUnitsPerPixelY = scale.unitsPerPixelY;
    ComputeKeyRects(scale, m_nScreenHeight, m_rcKey);
    // Rows 0 to 3 keep the screen under each key; blinking and restoring never allocate.
    m_nMaxKeyArea = 0;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < m_nKeysInRow[r]; ++c) {
            const int area = std::max(0, KeyArea(m_rcKey[r][c]));
            m_pKeyPixels[r][c].assign(static_cast<std::size_t>(area), 0);
            m_nMaxKeyArea = std::max(m_nMaxKeyArea, area);
        }
    }
    m_pKeyScratch.assign(static_cast<std::size_t>(m_nMaxKeyArea), 0);
}

void PracticeDialog::LoadSounds()
{
    auto load = [](const std::string& name, HGLOBAL& res, const void*& image) {
        res = nullptr;
        image = nullptr;
        if (HRSRC found = FindResource(name, "wave")) {
            res = LoadResource(found);
            image = LockResource(res);
        }
    };
    for (int i = 0; i < kKeyCells; ++i) {
        m_keyWave[i] = nullptr;
        if (!m_keySoundName[static_cast<std::size_t>(i)].empty()) {
            load(m_keySoundName[static_cast<std::size_t>(i)], m_keyWaveRes[i], m_keyWave[i]);
        }
    }
    for (int i = 0; i < 5; ++i) {
        load("CAR" + std::to_string(i), m_ambientWaveRes[i], m_ambientWave[i]);
    }
    load("ZERROR", m_errorWaveRes, m_errorWave);
    load("ZOK", m_okWaveRes, m_okWave);
}

void PracticeDialog::ShuffleTargets()
{
    ShuffleOrder(m_nSetSize, static_cast<unsigned>(std::time(nullptr)), m_nOrder);
    m_nOrderLeft = m_nSetSize;
}

namespace {

void ChooseSet(PracticeDialog& dlg, int k)
{
    if (dlg.m_bSetChosen[k] == 0) {
        dlg.m_nSetSize = kSetSizes[k];
        for (int i = 0; i < 4; ++i) {
            dlg.m_bSetChosen[i] = i == k ? 1 : 0;
        }
    }
    // Also for the set already chosen: its automatic check box was just cleared by the click.
    dlg.UpdateData(FALSE);
    dlg.ShuffleTargets();
    dlg.OnOK();
}

}  // namespace

void PracticeDialog::OnChooseSet1()
{
    ChooseSet(*this, 0);
}

void PracticeDialog::OnChooseSet2()
{
    ChooseSet(*this, 1);
}

void PracticeDialog::OnChooseSet3()
{
    ChooseSet(*this, 2);
}

void PracticeDialog::OnChooseSet4()
{
    ChooseSet(*this, 3);
}
