Vlnedla — souboj vznášedel hraný po sluchu
==========================================

Dva hráči u jedné klávesnice létají se svými vlnedly nahoru a dolů po dvou stranách pole
a střílejí na sebe z kanónu, raketami, kulometem a magnety, zatímco se mezi nimi objevují
předměty a zbraně. Všechno je slyšet: zvuky každého hráče znějí z jeho strany, výška
vlnedla je výška tónu jeho navigace, předmět před vlnedlem odpovídá ozvěnou v téže výšce
a stav zbraní a energie se na požádání vysloví. Obraz pole se také kreslí, ale nic ve hře
na něm nezávisí: nevidomí a vidící hráči hrají za stejných podmínek.

Hrajte se stereofonními sluchátky nebo dvěma reproduktory: na levé a pravé straně záleží.

Hra mluví česky nebo anglicky (README je tento text anglicky). Česky mluví, když je jazyk
systému čeština nebo není nastaven (proměnné LANG, LC_MESSAGES, LC_ALL, LANGUAGE; ve
Windows jazyk Windows), jinak anglicky. Natrvalo zvolíte jazyk řádkem "language = cs"
nebo "language = en" v souboru nastavení (~/.config/vlnedla/settings.ini, ve Windows
%APPDATA%\Vlnedla\settings.ini) nebo jednorázově "vlnedla --language cs". Soupeři po síti
mohou hrát každý ve svém jazyce.

Hlavní menu se čte, jak se v něm pohybujete šipkami (Home a End skočí na první a poslední
položku každého seznamu); Enter volí, Esc se vrátí do menu o úroveň výš:

  Start hry            dva hráči u jedné klávesnice
  Hra proti počítači   zvolte úroveň počítače a hrajte
  Hra po síti          založte hru, nebo se připojte k soupeři podle adresy
  Test reproduktorů    vlevo, potom vpravo
  Průvodce zvuky       každý zvuk hry s jeho významem
  Záznamy              uložené hry, nejnovější první
  Nastavení            hlasitosti, strany, jazyk, klávesy, herní ovladače
  Konec hry            ukončí hru

V "Záznamech" Enter přehraje zvolenou hru a Delete ji smaže (Enter potvrdí, Esc ji
ponechá). V "Nastavení" šipky vlevo a vpravo hned změní zvolenou hodnotu a hra si ji
zapamatuje: celkovou hlasitost, hlasitost řeči, efektů a trvalých zvuků (0 až 100 %),
"Prohodit levou a pravou stranu" pro obráceně nasazená sluchátka, jazyk (od příštího
spuštění), úroveň počítače nabízenou jako první, klávesy každého hráče (Enter na akci, pak
nová klávesa; klávesu, kterou má jiná akce, hra odmítne a tu akci řekne; "Obnovit výchozí
klávesy") a který herní ovladač hraje za kterou stranu.

Klávesy ve hře

  akce                       levý hráč     pravý hráč
  nahoru                     E             šipka nahoru
  dolů                       C             šipka dolů
  kanón                      mezerník      Shift
  raketa                     Tab           Enter
  kulomet                    X             0 na numerické klávesnici
  magnet                     F             šipka vlevo
  vyslov energii             1             1 na numerické klávesnici
  vyslov náboje kanónu       2             2 na numerické klávesnici
  vyslov rakety              3             3 na numerické klávesnici
  vyslov náboje kulometu     4             4 na numerické klávesnici

Proti počítači řídí vaše vlnedlo obě sady kláves. Esc opustí hru a vrátí se do menu. Zásah ubírá energii; vlnedlo, kterému energie dojde,
je zničeno a hra končí. Magnet sebere zbraň nebo energii.

Herní ovladače: první připojený ovladač hraje za levé vlnedlo, druhý za pravé (nastavení je
může prohodit); lze je připojit i odpojit kdykoli a hra to řekne.

  akce                       ovladač
  nahoru, dolů               d-pad nebo levá páčka nahoru a dolů
  kanón                      A
  raketa                     B
  kulomet                    X
  magnet                     Y
  vyslov energii, náboje     levé, pravé horní tlačítko
  vyslov rakety, kulomet     levá, pravá spoušť
  opustit hru                Start

V menu d-pad posouvá, A volí a B se vrací.

Konec: zvolte v menu "Konec hry" nebo zavřete okno menu.

Spuštění: "vlnedla" z terminálu, nebo Vlnedla mezi hrami v nabídce pracovní plochy.
"vlnedla --help" vypíše přepínače; zbytek říká manuálová stránka vlnedla(6).

Ve Windows: rozbalte vlnedla-VERZE-windows-x64.zip do libovolné složky (stačí vaše
uživatelská složka, instalace ani správce nejsou potřeba) a spusťte v ní vlnedla.exe;
zástupce na ploše nebo v nabídce Start ji spustí stejně. Poprvé může Windows SmartScreen
říct, že chránil počítač před neznámým programem: zvolte "Další informace" a potom
"Přesto spustit". Přepínače fungují z příkazového řádku v té složce ("vlnedla.exe
--computer right"); zprávy hry se ukládají také do %LOCALAPPDATA%\Vlnedla\vlnedla.log.
Když hru po síti zakládáte, brána Windows Defender Firewall se zeptá, zda smí Vlnedla
komunikovat v sítích: povolte to (doma stačí privátní sítě); kdo se připojuje, nepotřebuje
nic. Odečítač obrazovky může zůstat zapnutý: hra mluví sama a klávesy bere, dokud je její
okno vpředu.

Hra po síti: jeden hráč zvolí v "Hře po síti" "Založit hru" (nebo spustí "vlnedla --host")
a povolí UDP port 27461 ve firewallu; hra přečte adresy jeho počítače. Druhý zvolí
"Připojit se", napíše tu adresu (každý znak se přečte, Backspace poslední smaže) a stiskne
Enter (nebo spustí "vlnedla --join POČÍTAČ"); poslední adresu si hra pamatuje. Port je
nastavení "port" v souboru nastavení. Kdo hru založil,
řídí levé vlnedlo, kdo se připojil, pravé, každý kterýmikoli klávesami; "Start hry" a Esc
platí na obou počítačích.

Každá hra se uloží jako záznam do ~/.local/share/vlnedla/replays (ve Windows
%LOCALAPPDATA%\Vlnedla\replays), pojmenovaný datem, časem a druhem hry; zůstává
nejnovějších 100. "vlnedla --record SOUBOR" zapíše příští hru do SOUBORU; řádek
"record = false" v souboru nastavení neukládá žádnou. "vlnedla --replay SOUBOR" přehraje
uloženou hru přesně tak, jak se hrála; mezerník ji pozastaví a Esc ukončí. "vlnedla
--replay SOUBOR --render hra.wav" (nebo hra.opus) místo toho zapíše zvuk hry do souboru WAV
nebo Ogg Opus, za pár sekund a bez okna: hru si pak lze poslechnout kdekoli, nebo ji poslat.

Hra proti počítači: "vlnedla --computer right" nechá počítač řídit pravé vlnedlo (totéž
dělá akce "Hra proti počítači" v nabídce plochy); "--computer left:5" mu dá levé vlnedlo
na nejtěžší z pěti úrovní, "--computer left:1" na nejlehčí (výchozí je 3) a "--computer
right:0" z něj udělá cvičný terč, který nikdy nestřílí.

Vlnedla jsou svobodný software pod licencí GNU General Public License verze 3 nebo
pozdější.
