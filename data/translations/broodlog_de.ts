<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Messages</name>
    <message>
        <source>Cannot create file %1</source>
        <translation>Die Datei %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Cannot open file %1</source>
        <translation>Die Datei %1 kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Cannot write file %1</source>
        <translation>Die Datei %1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Cannot read file %1</source>
        <translation>Die Datei %1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot write to a saved report held in memory</source>
        <translation>In einen im Speicher gehaltenen gespeicherten Bericht kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Saved report %1 is damaged</source>
        <translation>Der gespeicherte Bericht %1 ist beschädigt</translation>
    </message>
    <message>
        <source>Saved report is too large</source>
        <translation>Der gespeicherte Bericht ist zu groß</translation>
    </message>
    <message>
        <source>Page %1 is missing from the saved report</source>
        <translation>Seite %1 fehlt im gespeicherten Bericht</translation>
    </message>
    <message>
        <source>Page store has no stream</source>
        <translation>Der Seitenspeicher hat keinen Datenstrom</translation>
    </message>
    <message>
        <source>Compressed page data ends early</source>
        <translation>Die komprimierten Seitendaten enden vorzeitig</translation>
    </message>
    <message>
        <source>Compressed page data is not valid</source>
        <translation>Die komprimierten Seitendaten sind ungültig</translation>
    </message>
    <message>
        <source>Metafile is not valid</source>
        <translation>Die Metadatei ist ungültig</translation>
    </message>
    <message>
        <source>Metafile recording has ended</source>
        <translation>Die Aufzeichnung der Metadatei ist beendet</translation>
    </message>
    <message>
        <source>Too many drawing objects in a page</source>
        <translation>Zu viele Zeichenobjekte auf einer Seite</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Fehler beim Schreiben des Datenstroms</translation>
    </message>
    <message>
        <source>The page is too large to draw at %1 dpi</source>
        <translation>Die Seite ist zu groß, um sie mit %1 dpi zu zeichnen</translation>
    </message>
    <message>
        <source>Report printer not ready</source>
        <translation>Der Berichtsdrucker ist nicht bereit</translation>
    </message>
    <message>
        <source>Illegal call to NewPage</source>
        <translation>Unzulässiger Aufruf von NewPage</translation>
    </message>
    <message>
        <source>There is no printer to print on any more: nothing was printed</source>
        <translation>Es gibt keinen Drucker mehr, auf dem gedruckt werden kann: Es wurde nichts gedruckt</translation>
    </message>
    <message>
        <source>There is no printer to print on</source>
        <translation>Es gibt keinen Drucker, auf dem gedruckt werden kann</translation>
    </message>
    <message>
        <source>Printer index out of range</source>
        <translation>Druckerindex außerhalb des gültigen Bereichs</translation>
    </message>
    <message>
        <source>Cannot create the print job&apos;s file in %1</source>
        <translation>Die Datei für den Druckauftrag kann in %1 nicht angelegt werden</translation>
    </message>
    <message>
        <source>Cannot start a print job on %1</source>
        <translation>Auf %1 kann kein Druckauftrag gestartet werden</translation>
    </message>
    <message>
        <source>No print job is running</source>
        <translation>Es läuft kein Druckauftrag</translation>
    </message>
    <message>
        <source>Cannot begin a new page on %1</source>
        <translation>Auf %1 kann keine neue Seite begonnen werden</translation>
    </message>
    <message>
        <source>The print job could not be handed to %1: %2</source>
        <translation>Der Druckauftrag konnte nicht an %1 übergeben werden: %2</translation>
    </message>
    <message>
        <source>The printer %1 is gone: nothing was printed</source>
        <translation>Den Drucker %1 gibt es nicht mehr: Es wurde nichts gedruckt</translation>
    </message>
    <message>
        <source>The print service does not answer: nothing was printed on %1</source>
        <translation>Der Druckdienst antwortet nicht: Auf %1 wurde nichts gedruckt</translation>
    </message>
    <message>
        <source>The print service does not answer: the job for %1 may or may not have been queued</source>
        <translation>Der Druckdienst antwortet nicht: Ob der Auftrag für %1 in die Warteschlange gelangt ist, ist ungewiss</translation>
    </message>
    <message>
        <source>There is no room in the temporary folder %1 for the print job: nothing was printed</source>
        <translation>Im temporären Ordner %1 ist kein Platz für den Druckauftrag: Es wurde nichts gedruckt</translation>
    </message>
    <message>
        <source>The printer %1 has stopped, and the print job waits in its queue: %2</source>
        <translation>Der Drucker %1 wurde angehalten, der Druckauftrag wartet in seiner Warteschlange: %2</translation>
    </message>
    <message>
        <source>The printer %1 has stopped, and the print job waits in its queue</source>
        <translation>Der Drucker %1 wurde angehalten, der Druckauftrag wartet in seiner Warteschlange</translation>
    </message>
    <message>
        <source>Failed to create key %1</source>
        <translation>Der Schlüssel %1 konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>Failed to get data for &apos;%1&apos;</source>
        <translation>Die Daten für „%1“ konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>Invalid data type for &apos;%1&apos;</source>
        <translation>Ungültiger Datentyp für „%1“</translation>
    </message>
    <message>
        <source>Failed to set data for &apos;%1&apos;</source>
        <translation>Die Daten für „%1“ konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Listenindex außerhalb der Grenzen (%1)</translation>
    </message>
    <message>
        <source>A print job is already running</source>
        <translation>Es läuft bereits ein Druckauftrag</translation>
    </message>
    <message>
        <source>Pages %1 to %2 are not in the report, which has %3 pages: nothing was printed</source>
        <translation>Die Seiten %1 bis %2 sind nicht im Bericht, der %3 Seiten hat: Es wurde nichts gedruckt</translation>
    </message>
    <message>
        <source>Pages %1 to %2 are not in the report, which has %3 page: nothing was printed</source>
        <translation>Die Seiten %1 bis %2 sind nicht im Bericht, der %3 Seite hat: Es wurde nichts gedruckt</translation>
    </message>
</context>
<context>
    <name>TFormBroodlog</name>
    <message>
        <source>Date/hive</source>
        <translation>Datum/Volk</translation>
    </message>
    <message>
        <source>Revised the brood</source>
        <translation>Brut kontrolliert</translation>
    </message>
    <message>
        <source>+- boxes/frames</source>
        <translation>+- Zargen/Waben</translation>
    </message>
    <message>
        <source>bee strenght</source>
        <translation>Volksstärke</translation>
    </message>
    <message>
        <source>Swarming (1-5)</source>
        <translation>Schwärmen (1-5)</translation>
    </message>
    <message>
        <source>Aggressivity (1-5)</source>
        <translation>Stechlust (1-5)</translation>
    </message>
    <message>
        <source>Steadiness (1-5)</source>
        <translation>Wabensitz (1-5)</translation>
    </message>
    <message>
        <source>Diseas (1-5)</source>
        <translation>Krankheit (1-5)</translation>
    </message>
    <message>
        <source>Honey harvest</source>
        <translation>Honigernte</translation>
    </message>
    <message>
        <source>feed given</source>
        <translation>Futtergabe</translation>
    </message>
    <message>
        <source>Varroa</source>
        <translation>Varroa</translation>
    </message>
    <message>
        <source>Varroa count</source>
        <translation>Varroazählung</translation>
    </message>
    <message>
        <source>Disease</source>
        <translation>Krankheit</translation>
    </message>
    <message>
        <source>Medicine/treatment</source>
        <translation>Mittel/Behandlung</translation>
    </message>
    <message>
        <source>extra1</source>
        <translation>Extra 1</translation>
    </message>
    <message>
        <source>extra2</source>
        <translation>Extra 2</translation>
    </message>
    <message>
        <source>extra3</source>
        <translation>Extra 3</translation>
    </message>
    <message>
        <source>extra4</source>
        <translation>Extra 4</translation>
    </message>
    <message>
        <source>remarks</source>
        <translation>Bemerkungen</translation>
    </message>
    <message>
        <source>Apiary :</source>
        <translation>Bienenstand :</translation>
    </message>
    <message>
        <source>Date :</source>
        <translation>Datum :</translation>
    </message>
    <message>
        <source>Record sheet</source>
        <translation>Stockkarte</translation>
    </message>
    <message>
        <source>Record sheet – %1</source>
        <translation>Stockkarte – %1</translation>
    </message>
</context>
<context>
    <name>TPrintProgressForm</name>
    <message>
        <source>Printing progress</source>
        <translation>Druckfortschritt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1%  Completed</source>
        <translation>%1 % erledigt</translation>
    </message>
</context>
<context>
    <name>TUrlLabel</name>
    <message>
        <source>Opens the link</source>
        <translation>Öffnet den Link</translation>
    </message>
</context>
<context>
    <name>TWebOpener</name>
    <message>
        <source>Cannot open %1: no program to open web addresses is installed</source>
        <translation>%1 kann nicht geöffnet werden: Es ist kein Programm zum Öffnen von Webadressen installiert</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>%1 kann nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>Tbroodlogprint</name>
    <message>
        <source>print note</source>
        <translation>Karte drucken</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>configure</source>
        <translation>Einstellen</translation>
    </message>
    <message>
        <source>&amp;Apiary</source>
        <translation>&amp;Bienenstand</translation>
    </message>
</context>
<context>
    <name>TfrmPreview</name>
    <message>
        <source>Report of data</source>
        <translation>Berichtsvorschau</translation>
    </message>
    <message>
        <source>First Page</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>Previous Page</source>
        <translation>Vorherige Seite</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>Next Page</source>
        <translation>Nächste Seite</translation>
    </message>
    <message>
        <source>Last Page</source>
        <translation>Letzte Seite</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Print at once</source>
        <translation>Sofort drucken</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Als PDF speichern</translation>
    </message>
    <message>
        <source>close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
    </message>
    <message>
        <source>Preview toolbar</source>
        <translation>Vorschauleiste</translation>
    </message>
    <message>
        <source>The record sheet as it will be printed. Page Up and Page Down turn the pages; Control with plus or minus zooms.</source>
        <translation>Die Stockkarte, wie sie gedruckt wird. Mit Bild auf und Bild ab blättern Sie um, mit Strg und Plus oder Minus zoomen Sie.</translation>
    </message>
    <message>
        <source>Zoom %1 percent</source>
        <translation>Zoom %1 Prozent</translation>
    </message>
</context>
<context>
    <name>TfrmSelectPrinter</name>
    <message>
        <source>Please wait...</source>
        <translation>Bitte warten …</translation>
    </message>
    <message>
        <source>Printer supports multiple copies</source>
        <translation>Der Drucker kann mehrere Exemplare drucken</translation>
    </message>
    <message>
        <source>Printer does not supports multiple copies</source>
        <translation>Der Drucker kann nicht mehrere Exemplare drucken</translation>
    </message>
    <message>
        <source>No printer is installed: save the report with &quot;Save as PDF&quot; in the preview instead</source>
        <translation>Kein Drucker eingerichtet: Speichern Sie den Bericht in der Vorschau als PDF</translation>
    </message>
    <message>
        <source>Select the printer</source>
        <translation>Drucker auswählen</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Drucker</translation>
    </message>
    <message>
        <source>Print Range</source>
        <translation>Druckbereich</translation>
    </message>
    <message>
        <source>&amp;All pages</source>
        <translation>&amp;Alle Seiten</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>&amp;from:</source>
        <translation>&amp;von:</translation>
    </message>
    <message>
        <source>&amp;to:</source>
        <translation>&amp;bis:</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Exemplare</translation>
    </message>
    <message>
        <source>Number of &amp;copies:</source>
        <translation>Anzahl &amp;Exemplare:</translation>
    </message>
    <message>
        <source>Paperselection</source>
        <translation>Papierauswahl</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>&amp;Standard</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message numerus="yes">
        <source>All %n pages</source>
        <translation>
            <numerusform>Alle Seiten (%n)</numerusform>
            <numerusform>Alle Seiten (%n)</numerusform>
        </translation>
    </message>
    <message>
        <source>The page range %1 to %2 is reversed: the first page comes after the last</source>
        <translation>Der Seitenbereich %1 bis %2 ist vertauscht: Die erste Seite kommt nach der letzten</translation>
    </message>
    <message numerus="yes">
        <source>Pages %1 to %2 are not in the report, which has %n page: nothing was printed</source>
        <translation>
            <numerusform>Die Seiten %1 bis %2 sind nicht im Bericht, der %n Seite hat: Es wurde nichts gedruckt</numerusform>
            <numerusform>Die Seiten %1 bis %2 sind nicht im Bericht, der %n Seiten hat: Es wurde nichts gedruckt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Pages %1 to %2 are not in the report, which has %n pages: nothing was printed</source>
        <translation>
            <numerusform>Die Seiten %1 bis %2 sind nicht im Bericht, der %n Seite hat: Es wurde nichts gedruckt</numerusform>
            <numerusform>Die Seiten %1 bis %2 sind nicht im Bericht, der %n Seiten hat: Es wurde nichts gedruckt</numerusform>
        </translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Benutzerdefiniert</translation>
    </message>
    <message>
        <source>The print service is not running: start it, or save the report with &quot;Save as PDF&quot; in the preview</source>
        <translation>Der Druckdienst läuft nicht: Starten Sie ihn, oder speichern Sie den Bericht in der Vorschau als PDF</translation>
    </message>
    <message>
        <source>The print service does not answer: try again later, or save the report with &quot;Save as PDF&quot; in the preview</source>
        <translation>Der Druckdienst antwortet nicht: Versuchen Sie es später noch einmal, oder speichern Sie den Bericht in der Vorschau als PDF</translation>
    </message>
</context>
<context>
    <name>Ttext_to_broodlog</name>
    <message>
        <source>Date or hive</source>
        <translation>Datum oder Volk</translation>
    </message>
    <message>
        <source>Revised the brood</source>
        <translation>Brut kontrolliert</translation>
    </message>
    <message>
        <source>+- boxes/frames</source>
        <translation>+- Zargen/Waben</translation>
    </message>
    <message>
        <source>bee strenght</source>
        <translation>Volksstärke</translation>
    </message>
    <message>
        <source>Swarming (1-5)</source>
        <translation>Schwärmen (1-5)</translation>
    </message>
    <message>
        <source>Aggressivity (1-5)</source>
        <translation>Stechlust (1-5)</translation>
    </message>
    <message>
        <source>Steadiness (1-5)</source>
        <translation>Wabensitz (1-5)</translation>
    </message>
    <message>
        <source>Disease (1-5)</source>
        <translation>Krankheit (1-5)</translation>
    </message>
    <message>
        <source>Honey harvest</source>
        <translation>Honigernte</translation>
    </message>
    <message>
        <source>feed given</source>
        <translation>Futtergabe</translation>
    </message>
    <message>
        <source>Varroa</source>
        <translation>Varroa</translation>
    </message>
    <message>
        <source>Varroa count</source>
        <translation>Varroazählung</translation>
    </message>
    <message>
        <source>Disease</source>
        <translation>Krankheit</translation>
    </message>
    <message>
        <source>Medicine or treatment</source>
        <translation>Mittel oder Behandlung</translation>
    </message>
    <message>
        <source>extra text</source>
        <translation>Zusatztext</translation>
    </message>
    <message>
        <source>remarks</source>
        <translation>Bemerkungen</translation>
    </message>
    <message>
        <source>Text to big broodlog</source>
        <translation>Texte für die Stockkarte</translation>
    </message>
    <message>
        <source>Column number</source>
        <translation>Spalte Nr.</translation>
    </message>
    <message>
        <source>Column text</source>
        <translation>Spaltentext</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>&amp;Standard</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>All %1 column texts are back to their defaults; nothing is saved before OK</source>
        <translation>Alle %1 Spaltentexte sind wieder die Standardtexte; gespeichert wird erst mit OK</translation>
    </message>
</context>
</TS>
