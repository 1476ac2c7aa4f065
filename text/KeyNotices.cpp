#include "text/KeyNotices.h"

namespace {

using Texts = const char* const[kLanguageCount];

std::string Pick(Texts& texts, LanguageIndex i)
{
    return texts[i < kLanguageCount ? static_cast<unsigned>(i) : static_cast<unsigned>(kEnglish)];
}

}  // namespace

std::string CapsLockNote(LanguageIndex i)
{
    static Texts kNotes = {
        "大写锁定已打开，请按 Caps Lock 键关闭。",
        "Caps Lock is on: press Caps Lock to turn it off.",
        "大寫鎖定已開啟，請按 Caps Lock 鍵關閉。",
        "Le verrouillage des majuscules est activé : appuyez sur Verr. Maj pour le désactiver.",
        "Die Feststelltaste ist eingeschaltet: Drücken Sie die Feststelltaste, um sie auszuschalten.",
        "Caps Lock がオンになっています。Caps Lock キーを押して解除してください。",
        "Bloq Mayús está activado: pulse Bloq Mayús para desactivarlo.",
    };
    return Pick(kNotes, i);
}

std::string SwitchLayoutNote(LanguageIndex i)
{
    static Texts kNotes = {
        "当前键盘布局不能输入拉丁字母，请切换到键盘布局：",
        "This keyboard layout types no Latin letters. Switch to the layout: ",
        "目前的鍵盤配置無法輸入拉丁字母，請切換到鍵盤配置：",
        "Cette disposition de clavier ne tape pas de lettres latines. Passez à la disposition : ",
        "Diese Tastaturbelegung schreibt keine lateinischen Buchstaben. Wechseln Sie zur Belegung: ",
        "このキーボード配列ではラテン文字を入力できません。次の配列に切り替えてください：",
        "Esta distribución de teclado no escribe letras latinas. Cambie a la distribución: ",
    };
    return Pick(kNotes, i);
}

std::string UsPositionsNote(LanguageIndex i)
{
    static Texts kNotes = {
        "没有设置拉丁字母的键盘布局：按美式键盘的键位练习，以按键的位置判断对错。",
        "No Latin keyboard layout is set up: practise on the US key positions; each key counts by its place.",
        "沒有設定拉丁字母的鍵盤配置：依美式鍵盤的鍵位練習，以按鍵的位置判斷對錯。",
        "Aucune disposition de clavier latine n'est configurée : exercez-vous sur les positions du clavier "
        "américain ; chaque touche compte par sa place.",
        "Keine lateinische Tastaturbelegung eingerichtet: Geübt wird auf den Tastenpositionen der "
        "US-Tastatur; jede Taste zählt nach ihrer Lage.",
        "ラテン文字のキーボード配列が設定されていません。米国配列のキー位置で練習し、キーは位置で判定します。",
        "No hay ninguna distribución de teclado latina configurada: practique con las posiciones del teclado "
        "estadounidense; cada tecla cuenta por su posición.",
    };
    return Pick(kNotes, i);
}
