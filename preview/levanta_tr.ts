<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="tr_TR" sourcelanguage="en">
<context>
    <name>QRPrev</name>
    <message>
        <source>Report Preview : </source>
        <translation>Rapor Önizleme : </translation>
    </message>
    <message>
        <source>Search results</source>
        <translation>Arama sonuçları</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Kapat</translation>
    </message>
    <message>
        <source>Close Preview</source>
        <translation>Önizlemeyi kapat</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Sayfa %1 / %2</translation>
    </message>
    <message>
        <source>Select a page from 1 to %1</source>
        <translation>1 ile %1 arasında bir sayfa seçin</translation>
    </message>
    <message>
        <source>Enter page number</source>
        <translation>Sayfa numarasını girin</translation>
    </message>
    <message>
        <source>Load report</source>
        <translation>Rapor yükle</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>Raporu kaydet</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>Dosya bulunamadı</translation>
    </message>
    <message>
        <source>%1 already exists.</source>
        <translation>%1 zaten var.</translation>
    </message>
    <message>
        <source>Page %1 is damaged: %2</source>
        <translation>Sayfa %1 bozuk: %2</translation>
    </message>
    <message>
        <source>Do you want to replace it?</source>
        <translation>Üzerine yazılsın mı?</translation>
    </message>
</context>
<context>
    <name>QRProgress</name>
    <message>
        <source>Cancel</source>
        <translation>İptal</translation>
    </message>
</context>
<context>
    <name>QuickRpt</name>
    <message>
        <source>Printing progress</source>
        <translation>Yazdırılıyor</translation>
    </message>
    <message>
        <source>Export Progress</source>
        <translation>Dışa aktarılıyor</translation>
    </message>
</context>
<context>
    <name>Printing</name>
    <message>
        <source>There is no default printer currently selected</source>
        <translation>Şu anda seçili bir varsayılan yazıcı yok</translation>
    </message>
    <message>
        <source>The print service does not answer</source>
        <translation>Yazdırma hizmeti (CUPS) yanıt vermiyor; yazıcılara şu anda ulaşılamıyor</translation>
    </message>
    <message>
        <source>Printer index out of range</source>
        <translation>Yazıcı numarası geçersiz</translation>
    </message>
    <message>
        <source>Unable to start printing on %1</source>
        <translation>%1 yazıcısında yazdırma başlatılamadı</translation>
    </message>
    <message>
        <source>Unable to start a new page on %1</source>
        <translation>%1 yazıcısında yeni sayfa başlatılamadı</translation>
    </message>
    <message>
        <source>Unable to print on %1: %2</source>
        <translation>%1 yazıcısına yazdırılamadı: %2</translation>
    </message>
</context>
</TS>
