<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Orvex</name>
    <message>
        <location filename="../ui_text.cpp" line="13"/>
        <source>Start</source>
        <translation>Départ</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="14"/>
        <source>Stop</source>
        <translation>Arrêt</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="15"/>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="16"/>
        <source>Resume</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="17"/>
        <source>First Marker</source>
        <translation>Premier repère</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="18"/>
        <source>Calibration</source>
        <translation>Calibrage</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="19"/>
        <source>inch</source>
        <translation>pouce</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="20"/>
        <source>Cutter off line !</source>
        <translation>Traceur hors ligne !</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="21"/>
        <source>Load media !</source>
        <translation>Chargez le support !</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="22"/>
        <source>Cutter ready</source>
        <translation>Traceur prêt</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="23"/>
        <source>Open last job</source>
        <translation>Ouvrir dernier travail</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="24"/>
        <source>&amp;About Orvex...</source>
        <translation>&amp;À propos d&apos;Orvex...</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="25"/>
        <source>Dashed line</source>
        <translation>Pointillé</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="26"/>
        <source>Half Cutting</source>
        <translation>Mi-chair</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="27"/>
        <source>Blade creasing</source>
        <translation>Rainage lame</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="28"/>
        <source>Tool Creasing</source>
        <translation>Rainage outil</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="29"/>
        <source>Front Tool Creasing</source>
        <translation>Rainage outil avant</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="30"/>
        <source> Read 2 markers</source>
        <translation> Lecture 2 repères</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="31"/>
        <source> Cut without reading</source>
        <translation> Découpe sans lecture</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="32"/>
        <source> Read 4 cropmarks</source>
        <translation> Lecture 4 repères</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="33"/>
        <source> Markerless</source>
        <translation> Sans repères</translation>
    </message>
    <message>
        <location filename="../ui_text.cpp" line="39"/>
        <source>Current job: </source>
        <translation>Travail en cours : </translation>
    </message>
</context>
<context>
    <name>orvex::gui::CalibrationWindow</name>
    <message>
        <location filename="../calibration_window.cpp" line="41"/>
        <source>Camera 2</source>
        <translation>Camera 2</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="44"/>
        <source>C2</source>
        <translation>C2</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="48"/>
        <source>Current values </source>
        <translation>Valeurs en cours</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="54"/>
        <source>Delta X</source>
        <translation>Delta X</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="54"/>
        <source>Delta Y</source>
        <translation>Delta Y</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="65"/>
        <source>Cut Marker</source>
        <translation>Découpe Marque</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="66"/>
        <source>Read Marker</source>
        <translation>Lecture Marque</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="67"/>
        <source>Set</source>
        <translation>Valider</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="68"/>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <location filename="../calibration_window.cpp" line="114"/>
        <source>Calibration </source>
        <translation>Calibrage </translation>
    </message>
</context>
<context>
    <name>orvex::gui::JobsReportWindow</name>
    <message>
        <location filename="../jobs_report_window.cpp" line="45"/>
        <source>Orvex  Report</source>
        <translation>Orvex  Rapport</translation>
    </message>
    <message>
        <location filename="../jobs_report_window.cpp" line="59"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../jobs_report_window.cpp" line="61"/>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <location filename="../jobs_report_window.cpp" line="63"/>
        <source>Button1</source>
        <translation>Button1</translation>
    </message>
</context>
<context>
    <name>orvex::gui::MainWindow</name>
    <message>
        <location filename="../main_window.cpp" line="49"/>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="49"/>
        <source>No cutter found</source>
        <translation>Aucun traceur trouvé</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="51"/>
        <source>Feeding a sheet</source>
        <translation>Chargement d&apos;une feuille</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="53"/>
        <source>Looking for the sheet&apos;s side edge</source>
        <translation>Recherche du bord latéral de la feuille</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="54"/>
        <source>Looking for the first mark</source>
        <translation>Recherche du premier repère</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="56"/>
        <source>Looking for the sheet&apos;s end</source>
        <translation>Recherche de la fin de la feuille</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="57"/>
        <source>Looking for the second mark</source>
        <translation>Recherche du second repère</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="59"/>
        <source>Cutting</source>
        <translation>Découpe en cours</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="61"/>
        <source>Waiting for the cutter to finish the sheet</source>
        <translation>Attente de la fin de découpe de la feuille</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="63"/>
        <source>Paused</source>
        <translation>En pause</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="83"/>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <location filename="../main_window.cpp" line="164"/>
        <source> - %1 of %2 sheets cut</source>
        <translation> - %1 feuilles découpées sur %2</translation>
    </message>
    <message numerus="yes">
        <location filename="../main_window.cpp" line="165"/>
        <source> - %n sheet(s) cut</source>
        <translation>
            <numerusform> - %n feuille découpée</numerusform>
            <numerusform> - %n feuilles découpées</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="101"/>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="102"/>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="104"/>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="105"/>
        <source>&amp;Test</source>
        <translation>&amp;Test</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="106"/>
        <source>Report</source>
        <translation>Rapport</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="113"/>
        <source>Hold to move the media back</source>
        <translation>Maintenir pour reculer le support</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="114"/>
        <source>Hold to move the media forward</source>
        <translation>Maintenir pour avancer le support</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="120"/>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="121"/>
        <source>D</source>
        <translation>D</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="122"/>
        <source>&gt;</source>
        <translation>&gt;</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="132"/>
        <source> File Open</source>
        <translation> Ouvrir fichier</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="133"/>
        <source>Open last job</source>
        <translation>Ouvrir dernier travail</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="144"/>
        <source> X +</source>
        <translation> X +</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="145"/>
        <source>- X</source>
        <translation>- X</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="147"/>
        <source>- Y</source>
        <translation>- Y</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="148"/>
        <source>+ Y</source>
        <translation>+ Y</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="150"/>
        <location filename="../main_window_layout.cpp" line="182"/>
        <location filename="../main_window_layout.cpp" line="194"/>
        <source>Cut force</source>
        <translation>Force de coupe</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="151"/>
        <source>Height</source>
        <translation>Hauteur</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="152"/>
        <source>Width</source>
        <translation>Largeur</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="153"/>
        <source>Insertion</source>
        <translation>Insertion</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="154"/>
        <source>Uplift</source>
        <translation>Levée</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="155"/>
        <source>Label step</source>
        <translation>Pas étiquette</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="156"/>
        <location filename="../main_window_layout.cpp" line="158"/>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="157"/>
        <source>Cutter width</source>
        <translation>Largeur traceur</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="159"/>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="160"/>
        <source>Pass</source>
        <translation>Passes</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="161"/>
        <source>Multiple</source>
        <translation>Multiple</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="162"/>
        <source>Spacing</source>
        <translation>Espacement</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="165"/>
        <source>Compensation</source>
        <translation>Compensation</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="169"/>
        <source>L</source>
        <translation>G</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="171"/>
        <source>R</source>
        <translation>D</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="175"/>
        <source>Dashed line - Die cut</source>
        <translation>Pointillé - Découpe</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="179"/>
        <source>Enable</source>
        <translation>Activer</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="180"/>
        <location filename="../main_window_layout.cpp" line="192"/>
        <source>Cut Length</source>
        <translation>Longueur coupe</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="181"/>
        <location filename="../main_window_layout.cpp" line="193"/>
        <source>Up Length</source>
        <translation>Longueur levée</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="183"/>
        <location filename="../main_window_layout.cpp" line="195"/>
        <source>Speed</source>
        <translation>Vitesse</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="186"/>
        <source>Special Color</source>
        <translation>Couleur spéciale</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="200"/>
        <source>Count</source>
        <translation>Compteur</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="201"/>
        <source>Enter copies</source>
        <translation>Saisir les copies</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="202"/>
        <source>Copies</source>
        <translation>Copies</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="203"/>
        <source>Cut without crop marks</source>
        <translation>Découpe sans repères</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="204"/>
        <source>&amp;Start</source>
        <translation>&amp;Départ</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="209"/>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="210"/>
        <source>Cut Test</source>
        <translation>Test de coupe</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="211"/>
        <source>More Options</source>
        <translation>Plus d&apos;options</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="213"/>
        <source>Cycle</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="214"/>
        <source>Crease</source>
        <translation>Rainage</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="215"/>
        <source>Blade</source>
        <translation>Lame</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="225"/>
        <source>dLift</source>
        <translation>dLift</translation>
    </message>
    <message>
        <location filename="../main_window_layout.cpp" line="226"/>
        <source>Blade Up</source>
        <translation>Lame levée</translation>
    </message>
    <message>
        <location filename="../orvex_application.cpp" line="50"/>
        <source>the PC may go to sleep (%1)</source>
        <translation>le PC peut se mettre en veille (%1)</translation>
    </message>
</context>
<context>
    <name>orvex::gui::OptionsWindow</name>
    <message>
        <location filename="../options_window.cpp" line="43"/>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <location filename="../options_window.cpp" line="48"/>
        <source>Default Speed</source>
        <translation>Vitesse par défaut</translation>
    </message>
    <message>
        <location filename="../options_window.cpp" line="50"/>
        <source>Cutting direction sorting</source>
        <translation>Tri du sens de découpe</translation>
    </message>
    <message>
        <location filename="../options_window.cpp" line="57"/>
        <source>Load cut setting</source>
        <translation>Charger un réglage</translation>
    </message>
    <message>
        <location filename="../options_window.cpp" line="58"/>
        <source>Save cut setting</source>
        <translation>Enregistrer un réglage</translation>
    </message>
    <message>
        <location filename="../options_window.cpp" line="59"/>
        <source>Jobs report</source>
        <translation>Rapport des travaux</translation>
    </message>
</context>
<context>
    <name>orvex::gui::ServiceWindow</name>
    <message>
        <location filename="../service_window.cpp" line="50"/>
        <source>About Orvex</source>
        <translation>À propos d&apos;Orvex</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="56"/>
        <source>C2</source>
        <translation>C2</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="58"/>
        <source>FW</source>
        <translation>FW</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="82"/>
        <source>Marker pixel</source>
        <translation>Pixels repère</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="83"/>
        <source>delta X</source>
        <translation>delta X</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="84"/>
        <source>delta Y </source>
        <translation>delta Y </translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="87"/>
        <source>Slow cut speed for labels llonger mm</source>
        <translation>Vitesse lente pour étiquettes de plus de mm</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="92"/>
        <source>Disable cutting reorder </source>
        <translation>Désactiver le tri de découpe </translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="97"/>
        <source> mm</source>
        <translation> mm</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="98"/>
        <source> inch</source>
        <translation> pouce</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="110"/>
        <source>Set</source>
        <translation>Valider</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="111"/>
        <source>Init Cutter</source>
        <translation>Init. traceur</translation>
    </message>
    <message>
        <location filename="../service_window.cpp" line="112"/>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
</TS>
