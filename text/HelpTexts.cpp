// Help texts of the seven languages. Each is kept as a sequence of pieces joined without
// separators; all share one layout: an opening paragraph naming the product, then an empty line,
// a tab and section 1 (system requirements), and on new lines sections 2 (installation),
// 3 (background picture), 4 (usage) and 5 (keyboard commands: F3 to F6, then F1, F2 and Esc, each
// under its own sub-heading). Every text ends right after "Esc".
#include <span>

#include "text/LanguageTables.h"

namespace {

// Simplified Chinese, 10 pieces.
// clang-format off
constexpr std::string_view kHelpSimplifiedChinese[] = {
    "多媒体版《Pomarel-英文指法练习系统》2.0是一套支持多种语言的指法练习系统。本系统支持简体中文、繁体中文、英文、日文、法文、德文和西班牙文，并具有多媒体功能。独特的键位动态提示、手形提示和键盘渐隐功能在同类指法练习软件中处于领先水平；软件界面友好，操作简便，多加练习即可提高您的英文打字水平。",
    "\r\n\r\n\t一.系统需求:多媒体版《Pomarel-英文指法练习系统》2.0运行于Linux桌面，支持X11和Wayland；",
    "声卡可有可无，没有声卡时程序照常运行，只是没有声音。",
    "\r\n二.安装与卸载:安装Debian软件包pomarel即可；也可以在Pomarel的源代码文件夹中运行README.md给出的命令./run，它会安装缺少的软件包，然后编译并启动Pomarel。卸载时删除该软件包即可（用./run运行的，删除源代码文件夹即可）。",
    "\r\n三.背景图片:本软件以您桌面的壁纸作为背景。您也可以任选一张漂亮的JPEG图片，命名为Face.jpg，保存到启动Pomarel时所在的文件夹中，",
    "这张图片就会成为您的新背景。",
    "\r\n四.使用方法:单击屏幕下方的“开始”按钮或按F2键即可开始练习。\r\n\r\n\t树上会结出标着按键的金苹果，同时系统会读出该键的名称。\r\n您可以从4种练习中任选一种：系统默认选择“仅字母键不区分大小写”，您也可以选择其他练习：",
    "“仅字母键区分大小写”、“数字键字母键区分大小写”或“数字键,符号键,字母键区分大小写”。如果按错了键，屏幕上会出现手形提示，手指上的金色圆环提示您应该用哪根手指击键。",
    "\r\n五.键盘命令\r\n1)练习选择\r\n F3:“仅字母键不区分大小写”（默认）；\r\n F4:“仅字母键区分大小写”；",
    "\r\n F5:“数字键字母键区分大小写”；\r\n F6:“数字键,符号键,字母键区分大小写”；\r\n\r\n2)帮助\r\n\tF1\r\n\r\n3)开始\r\n\tF2\r\n\r\n4)退出\r\n\tEsc",
};
// clang-format on

// English, 10 pieces.
// clang-format off
constexpr std::string_view kHelpEnglish[] = {
    "Multimedia version [Pomarel -- English fingering exercises 2.0] is a fingering exercise system that supports several languages.The fingering exercise system support for Simplified Chinese, Traditional Chinese, English, Japanese, French, German and Spanish, with multimedia features. The unique keypad dynamic prompts, hand prompt, the keyboard fade function in a fingering exercise class software is a leading level, friendly software interface, easy to operate, and much practice to improve their English typing.",
    "\r\n\r\n\t1.System Requirements:Multimedia version [Pomarel -- English fingering exercises 2.0] runs on a Linux desktop, under X11 or Wayland.",
    " A sound card is optional: without one, Pomarel runs silently.",
    "\r\n2.Install and Uninstall:Install the Debian package pomarel, or, in Pomarel's source folder, run the command ./run given in README.md: it installs what is missing, builds Pomarel and starts it. To uninstall, remove the package (or, if you used ./run, delete the source folder).",
    "\r\n3.Background image:The software uses your desktop's wallpaper as the background. You can also take any beautiful JPEG picture, name it Face.jpg and save it in the folder you start Pomarel from. ",
    "This picture will be as your new background.",
    "\r\n4.Usage:Click on the bottom of the screen \"Start\" or press \"F2\" key to start practicing.\r\n\r\n\tTrees bear golden apples on the keys, and then the system will voice a key name.\r\nYou can select 4 case:system default select the case:\"Only alphabetic keys not case sensitive.\",You can also choose other:",
    "such as \"Only letters key case-sensitive.\",\"Digital key alphabetic keys case-sensitive.\",\"Key figures, symbol key, the letter key case-sensitive.\".If you make a mistake, there will be a hand tips,The gold ring on the finger prompt you which fingers to keystrokes.",
    "\r\n5.Keyboard command\r\n1)Exercise Selection \r\n F3:\"Only alphabetic keys not case-sensitive(default).\",\"\r\n F4: Only letters key case-sensitive.\";",
    "\r\n F5:\"Digital key alphabetic keys case-sensitive.\";\r\n F6:\"Key figures, symbol key, the letter key case-sensitive.\";\r\n\r\n2)Help\r\n\tF1\r\n\r\n3)Start\r\n\tF2\r\n\r\n4)Exit\r\n\tEsc",
};
// clang-format on

// Traditional Chinese, 10 pieces.
// clang-format off
constexpr std::string_view kHelpTraditionalChinese[] = {
    "多媒體版[Pomarel -- 英文指法練習系統 2.0]是一套支援多種語言的指法練習系統。本系統支援簡體中文、繁體中文、英文、日文、法文、德文和西班牙文，並具備多媒體功能。獨特的按鍵動態提示、手形提示與鍵盤淡出功能在同類指法練習軟體中居於領先地位；軟體介面友善，操作簡便，多加練習即可提升您的英文打字能力。",
    "\r\n\r\n\t一.系統需求:多媒體版[Pomarel -- 英文指法練習系統 2.0]可在Linux桌面上執行，支援X11與Wayland；",
    "音效卡可有可無，沒有音效卡時程式照常執行，只是沒有聲音。",
    "\r\n二.安裝與卸載:安裝Debian套件pomarel即可；也可以在Pomarel的原始碼資料夾中執行README.md所列的指令./run，它會安裝缺少的套件，再編譯並啟動Pomarel。若要移除，刪除該套件即可（以./run執行的，刪除原始碼資料夾即可）。",
    "\r\n三.背景圖片:本軟體以您桌面的桌布作為背景。您也可以任選一張漂亮的JPEG圖片，命名為Face.jpg，儲存到啟動Pomarel時所在的資料夾中，",
    "這張圖片就會成為您的新背景。",
    "\r\n四.使用方法:按一下螢幕下方的「開始」按鈕或按F2鍵即可開始練習。\r\n\r\n\t樹上會結出標著按鍵的金蘋果，同時系統會唸出該鍵的名稱。\r\n您可以從4種練習中任選一種：系統預設選擇「僅字母鍵不區分大小寫」，您也可以選擇其他練習：",
    "「僅字母鍵區分大小寫」、「數字鍵字母鍵區分大小寫」或「數字鍵,符號鍵,字母鍵區分大小寫」。如果按錯了鍵，畫面上會出現手形提示，手指上的金色圓環會提示您該用哪一根手指擊鍵。",
    "\r\n五.鍵盤命令\r\n1)練習選擇\r\n F3:「僅字母鍵不區分大小寫」（預設）；\r\n F4:「僅字母鍵區分大小寫」；",
    "\r\n F5:「數字鍵字母鍵區分大小寫」；\r\n F6:「數字鍵,符號鍵,字母鍵區分大小寫」；\r\n\r\n2)幫助\r\n\tF1\r\n\r\n3)開始\r\n\tF2\r\n\r\n4)退出\r\n\tEsc",
};
// clang-format on

// French, 9 pieces.
// clang-format off
constexpr std::string_view kHelpFrench[] = {
    "La version multimédia de [Pomarel -- Exercices de doigté anglais 2.0] est un système d'exercices de doigté multilingue. Elle est proposée en chinois simplifié, chinois traditionnel, anglais, japonais, français, allemand et espagnol, et offre des fonctions multimédias. Ses indications dynamiques sur le clavier, l'indication de la main à utiliser et l'estompage des touches la placent au premier rang des logiciels d'exercices de doigté ; son interface est conviviale et simple à utiliser, et une pratique régulière améliorera votre frappe en anglais.",
    "\r\n\r\n\t1.Configuration requise:La version multimédia de [Pomarel -- Exercices de doigté anglais 2.0] fonctionne sur un bureau Linux, sous X11 ou Wayland.",
    " La carte son est facultative : sans elle, Pomarel fonctionne en silence.",
    "\r\n2.Installer et désinstaller:Installez le paquet Debian pomarel ou bien, dans le dossier des sources de Pomarel, lancez la commande ./run indiquée dans README.md : elle installe ce qui manque, compile Pomarel et le démarre. Pour le désinstaller, supprimez le paquet (ou, si vous avez utilisé ./run, le dossier des sources).",
    "\r\n3.Image de fond:Le logiciel utilise comme arrière-plan le fond d'écran de votre bureau. Vous pouvez aussi choisir n'importe quelle belle image JPEG, la nommer Face.jpg et l'enregistrer dans le dossier à partir duquel vous lancez Pomarel. Cette image deviendra votre nouveau fond d'écran.",
    "\r\n4.Utilisation:Cliquez sur « Commencer » en bas de l'écran ou appuyez sur la touche « F2 » pour commencer l'exercice.\r\n\r\n\tL'arbre porte des pommes d'or marquées des touches, puis le système prononce le nom de la touche.\r\nVous avez le choix entre 4 exercices : par défaut, le système choisit « Seules les lettres ne sont pas sensibles à la casse. », mais vous pouvez aussi en choisir un autre :",
    " « Seules les lettres sont sensibles à la casse. », « Les chiffres, lettres, mais, sous-cas. » ou « Les touches numériques, touches de symboles, touches alphabétiques sont sensibles à la casse. ». Si vous faites une erreur, une main apparaît : l'anneau d'or sur l'un de ses doigts vous indique avec quel doigt frapper la touche.",
    "\r\n5.clavier de commande\r\n1)exercice de sélection\r\n F3:« Seules les lettres ne sont pas sensibles à la casse. » (par défaut) ;\r\n F4:« Seules les lettres sont sensibles à la casse. » ;",
    "\r\n F5:« Les chiffres, lettres, mais, sous-cas. » ;\r\n F6:« Les touches numériques, touches de symboles, touches alphabétiques sont sensibles à la casse. » ;\r\n\r\n2)Aider\r\n\tF1\r\n\r\n3)Commencer\r\n\tF2\r\n\r\n4)Quitter\r\n\tEsc",
};
// clang-format on

// German, 10 pieces.
// clang-format off
constexpr std::string_view kHelpGerman[] = {
    "Die Multimedia-Version von [Pomarel -- Englisch Fingerübungen 2.0] ist ein mehrsprachiges Programm zum Üben des Zehnfingersystems. Es unterstützt vereinfachtes Chinesisch, traditionelles Chinesisch, Englisch, Japanisch, Französisch, Deutsch und Spanisch und bietet Multimedia-Funktionen. Mit seinen einzigartigen dynamischen Tastenhinweisen, der Handanzeige und dem Ausblenden der Tasten ist es unter den Programmen für Fingerübungen führend; die Oberfläche ist freundlich und leicht zu bedienen, und fleißiges Üben verbessert Ihre Tippfertigkeit im Englischen.",
    "\r\n\r\n\t1.Systemanforderungen:Die Multimedia-Version von [Pomarel -- Englisch Fingerübungen 2.0] läuft auf einem Linux-Desktop unter X11 oder Wayland.",
    " Eine Soundkarte ist nicht nötig: Ohne sie läuft Pomarel einfach ohne Ton.",
    "\r\n2.Installation und Deinstallation:Installieren Sie das Debian-Paket pomarel, oder führen Sie im Quellordner von Pomarel den in README.md genannten Befehl ./run aus: Er installiert, was fehlt, baut Pomarel und startet es. Zum Deinstallieren entfernen Sie das Paket (oder, wenn Sie ./run verwendet haben, den Quellordner).",
    "\r\n3.Hintergrundbild:Als Hintergrund verwendet das Programm das Hintergrundbild Ihres Desktops. Sie können auch ein beliebiges schönes JPEG-Bild nehmen, es Face.jpg nennen und in dem Ordner speichern, aus dem Sie Pomarel starten.",
    " Dieses Bild wird dann Ihr neuer Hintergrund.",
    "\r\n4.Verwenden:Klicken Sie unten auf dem Bildschirm auf „Start“ oder drücken Sie die Taste „F2“, um mit dem Üben zu beginnen.\r\n\r\n\tDer Baum trägt goldene Äpfel mit den Tasten darauf, und das Programm spricht den Namen der Taste.\r\nSie können zwischen 4 Übungen wählen: Voreingestellt ist „Nur die Buchstaben-Tasten sind nicht case sensitive.“, Sie können aber auch eine andere wählen:",
    " „Nur die Buchstaben-Tasten sind Groß-und Kleinschreibung.“, „Buchstabentasten, Zahlentasten sind Groß-und Kleinschreibung.“ oder „Numerische Tasten, Tasten-Symbole sind Buchstaben-Tasten Groß-und Kleinschreibung.“. Wenn Sie sich vertippen, erscheint eine Hand, und der goldene Ring an einem Finger zeigt Ihnen, mit welchem Finger Sie die Taste anschlagen.",
    "\r\n5.Tastaturbefehl:\r\n1)üben Sie zu wählen\r\n F3:„Nur die Buchstaben-Tasten sind nicht case sensitive.“ (Standard);\r\n F4:„Nur die Buchstaben-Tasten sind Groß-und Kleinschreibung.“;",
    "\r\n F5:„Buchstabentasten, Zahlentasten sind Groß-und Kleinschreibung.“;\r\n F6:„Numerische Tasten, Tasten-Symbole sind Buchstaben-Tasten Groß-und Kleinschreibung.“;\r\n\r\n2)Hilfe\r\n\tF1\r\n\r\n3)Starten\r\n\tF2\r\n\r\n4)Beenden\r\n\tEsc",
};
// clang-format on

// Japanese, 10 pieces.
// clang-format off
constexpr std::string_view kHelpJapanese[] = {
    "マルチメディア版[Pomarel -- 英語指演習2.0]は、多言語に対応したタッチタイピング練習システムです。簡体字中国語、繁体字中国語、英語、日本語、フランス語、ドイツ語、スペイン語に対応し、マルチメディア機能を備えています。独自のキー位置の動的表示、手の表示、キーボードのフェード機能は、タイピング練習ソフトの中でもトップクラスです。画面はわかりやすく操作も簡単で、練習を重ねれば英文タイピングが上達します。",
    "\r\n\r\n\t1.システム要件:マルチメディア版[Pomarel -- 英語指演習2.0]は、X11またはWaylandを使うLinuxのデスクトップで動作します。",
    "サウンドカードはなくてもかまいません。ない場合は音を出さずに動作します。",
    "\r\n2.インストールとアンインストール：Debianパッケージpomarelをインストールするか、Pomarelのソースフォルダーで、README.mdに記載されているコマンド./runを実行してください。./runは足りないものをインストールし、Pomarelをビルドして起動します。アンインストールするには、パッケージを削除してください（./runを使った場合は、ソースフォルダーを削除してください）。",
    "\r\n3.背景画像：このソフトウェアはデスクトップの壁紙を背景に使います。好きなJPEG画像をFace.jpgという名前で、Pomarelを起動するフォルダーに保存することもできます。",
    "その画像が新しい背景になります。",
    "\r\n4.使用方法：画面下の「開始」ボタンをクリックするか、F2キーを押すと練習が始まります。\r\n\r\n\t木にキーの文字が書かれた金のリンゴが実り、システムがそのキーの名前を読み上げます。\r\n練習は4種類から選べます。既定では「唯一の文字キーは.大文字小文字の区別はありません」が選ばれていますが、ほかの練習も選べます：",
    "「唯一の文字キーは.大文字と小文字が区別されます」、「文字キー.数字キーは.大文字と小文字が区別さ」、「数字キー.記号キー.文字キーは.大文字と小文字が区別さ」。打ち間違えると手の絵が表示され、指にはめた金の指輪が、どの指でキーを打てばよいかを示します。",
    "\r\n5.キーボードのコマンド\r\n1)選択して練習\r\n F3:「唯一の文字キーは.大文字小文字の区別はありません」（既定）\r\n F4:「唯一の文字キーは.大文字と小文字が区別されます」",
    "\r\n F5:「文字キー.数字キーは.大文字と小文字が区別さ」\r\n F6:「数字キー.記号キー.文字キーは.大文字と小文字が区別さ」\r\n\r\n2)助け\r\n\tF1\r\n\r\n3)開始\r\n\tF2\r\n\r\n4)終了\r\n\tEsc",
};
// clang-format on

// Spanish, 10 pieces.
// clang-format off
constexpr std::string_view kHelpSpanish[] = {
    "La versión multimedia de [Pomarel -- Ejercicios de inglés de digitación 2.0] es un sistema de ejercicios de digitación que admite varios idiomas: chino simplificado, chino tradicional, inglés, japonés, francés, alemán y español, y ofrece funciones multimedia. Sus indicaciones dinámicas en el teclado, la indicación de la mano y el desvanecimiento de las teclas lo sitúan a la cabeza de los programas de su clase; su interfaz es amigable y fácil de usar, y con práctica constante mejorará su mecanografía en inglés.",
    "\r\n\r\n\t1.Requisitos del sistema:La versión multimedia de [Pomarel -- Ejercicios de inglés de digitación 2.0] funciona en un escritorio Linux, con X11 o Wayland.",
    " La tarjeta de sonido es opcional: sin ella, Pomarel funciona en silencio.",
    "\r\n2.Instalar y desinstalar:Instale el paquete de Debian pomarel o, en la carpeta del código fuente de Pomarel, ejecute el comando ./run que indica README.md: instala lo que falte, compila Pomarel y lo inicia. Para desinstalarlo, elimine el paquete (o, si usó ./run, la carpeta del código fuente).",
    "\r\n3.Imagen de Fondo:El programa usa el fondo de pantalla de su escritorio como imagen de fondo. También puede elegir cualquier imagen JPEG bonita, llamarla Face.jpg y guardarla en la carpeta desde la que inicia Pomarel.",
    " Esa imagen será su nuevo fondo.",
    "\r\n4.Modo de empleo:Haga clic en «Comenzar», en la parte inferior de la pantalla, o pulse la tecla «F2» para empezar a practicar.\r\n\r\n\tEl árbol da manzanas doradas con las teclas y el sistema pronuncia el nombre de la tecla.\r\nPuede elegir entre 4 ejercicios: por defecto está seleccionado «Sólo las teclas de las letras no son sensibles.», pero también puede elegir otro:",
    " «Sólo las teclas de letras mayúsculas y minúsculas.», «Teclas de las letras, las teclas numéricas entre mayúsculas y minúsculas» o «Las teclas numéricas, teclas de símbolos, teclas de letras mayúsculas y minúsculas.». Si se equivoca, aparece una mano, y el anillo de oro en uno de sus dedos le indica con qué dedo debe pulsar la tecla.",
    "\r\n5.Un comando del teclado\r\n1)Practique para seleccionar\r\n F3:«Sólo las teclas de las letras no son sensibles.» (predeterminado);\r\n F4:«Sólo las teclas de letras mayúsculas y minúsculas.»;",
    "\r\n F5:«Teclas de las letras, las teclas numéricas entre mayúsculas y minúsculas»;\r\n F6:«Las teclas numéricas, teclas de símbolos, teclas de letras mayúsculas y minúsculas.»;\r\n\r\n2)Ayuda\r\n\tF1\r\n\r\n3)Comenzar\r\n\tF2\r\n\r\n4)Salir\r\n\tEsc",
};
// clang-format on

constexpr std::span<const std::string_view> kHelpTexts[kLanguageCount] = {
    kHelpSimplifiedChinese, kHelpEnglish, kHelpTraditionalChinese, kHelpFrench, kHelpGerman,
    kHelpJapanese,          kHelpSpanish,
};

// clang-format off
constexpr std::string_view kTitles[kLanguageCount] = {
    "《Pomarel-英文指法练习系统》2.0",
    "[Pomarel -- English fingering exercises 2.0]",
    "[Pomarel -- 英文指法練習系統 2.0]",
    "[Pomarel -- Exercices de doigté anglais 2.0]",
    "[Pomarel -- Englisch Fingerübungen 2.0]",
    "[Pomarel -- 英語指演習2.0]",
    "[Pomarel -- Ejercicios de inglés de digitación 2.0]",
};
// clang-format on

}  // namespace

std::string HelpText(LanguageIndex i)
{
    std::string text;
    for (std::string_view piece : kHelpTexts[RowOf(i)]) {
        text += piece;
    }
    return text;
}

int HelpPieceCount(LanguageIndex i)
{
    return static_cast<int>(kHelpTexts[RowOf(i)].size());
}

std::string_view HelpTitle(LanguageIndex i)
{
    return kTitles[RowOf(i)];
}
