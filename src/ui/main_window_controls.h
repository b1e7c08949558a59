// Numbers of the windows and of the controls of the main window (1) and the progress
// window (2). A control's constant is named after its language key; controls without a
// caption carry a name of the same pattern. Numbers 6, 7, 32 and 73 are not used.
#pragma once

namespace tesselon {

constexpr int Window_Principal = 1;
constexpr int Window_Progreso = 2;

// Timer of window 1 that rewrites the status-bar clock.
constexpr int kClockTimerNumber = 10;

// Top strip.
constexpr int Gadget_Principal_ButtonImage_ConfigLoad = 1;
constexpr int Gadget_Principal_ButtonImage_ConfigSave = 2;
constexpr int Gadget_Principal_TextInformativo = 3;
constexpr int Gadget_Principal_ButtonImage_Cerrar = 4;
constexpr int Panel_Principal = 5;

// Panel 5, tab 0: source, destination, extensions, quality.
constexpr int Gadget_Principal_Archivo_Frame_RutaImagenesOrigen = 74;
constexpr int Gadget_Principal_Archivo_Option_OrigenLocal = 75;
constexpr int Gadget_Principal_Archivo_Option_OrigenRemoto = 76;
constexpr int Gadget_Principal_Archivo_Text_TituloServidor = 77;
constexpr int Gadget_Principal_Archivo_Text_ServidorNombre = 78;
constexpr int Gadget_Principal_Archivo_String_RutaImagenes = 79;
constexpr int Gadget_Principal_Archivo_ButtonImage_RutaImagenes = 80;
constexpr int Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota = 81;
constexpr int Gadget_Principal_Archivo_ButtonNumImagesActualizar = 82;
constexpr int Gadget_Principal_Archivo_ButtonImage_DescargarFTP = 83;
constexpr int Gadget_Principal_Archivo_CheckBox_Subcarpetas = 84;
constexpr int Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas = 85;
constexpr int Gadget_Principal_Archivo_Text_OrigenImagesCambiado = 86;
constexpr int Gadget_Principal_Archivo_Text_TituloRutaImagenesDescargadas = 87;
constexpr int Gadget_Principal_Archivo_String_RutaImagenesDescargadas = 88;
constexpr int Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir = 89;
constexpr int Gadget_Principal_Archivo_Frame_RutaImagenesDestino = 90;
constexpr int Gadget_Principal_Archivo_CheckBox_Sobreescribir = 91;
constexpr int Gadget_Principal_Archivo_String_RutaImagenesDestino = 105;
constexpr int Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino = 106;
constexpr int Gadget_Principal_Archivo_Frame_ExtensionesActivas = 107;
constexpr int Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG = 108;
constexpr int Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG = 109;
constexpr int Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF = 110;
constexpr int Gadget_Principal_Archivo_Frame_GrabarCalidad = 111;
constexpr int Gadget_Principal_Archivo_TrackBar_GrabarCalidad = 112;
constexpr int Gadget_Principal_Archivo_Text_GrabarCalidadLabelMin = 113;
constexpr int Gadget_Principal_Archivo_Text_GrabarCalidad = 114;
constexpr int Gadget_Principal_Archivo_Text_GrabarCalidadLabelMax = 115;

// Panel 5, tab 1: image operations.
constexpr int Gadget_Principal_Basico_Frame_Espejo = 8;
constexpr int Gadget_Principal_Basico_CheckBox_EspejoH = 9;
constexpr int Gadget_Principal_Basico_CheckBox_EspejoV = 10;
constexpr int Gadget_Principal_Basico_Frame_Rotar = 11;
constexpr int Gadget_Principal_Basico_Option_Rotar0 = 12;
constexpr int Gadget_Principal_Basico_Option_Rotar90 = 13;
constexpr int Gadget_Principal_Basico_Option_Rotar180 = 14;
constexpr int Gadget_Principal_Basico_Option_RotarLibre = 15;
constexpr int Gadget_Principal_Basico_Spin_RotarLibre = 16;
constexpr int Gadget_Principal_Basico_Text162 = 17;
constexpr int Gadget_Principal_Basico_Text_ColorFondo = 18;
constexpr int Gadget_Principal_Basico_ButtonImage_ColorFondo = 19;
constexpr int Gadget_Principal_Basico_Frame_Contraste = 20;
constexpr int Gadget_Principal_Basico_TrackBar_Contraste = 21;
constexpr int Gadget_Principal_Basico_Text_Contraste = 22;
constexpr int Gadget_Principal_Basico_CheckBox_Invertir = 23;
constexpr int Gadget_Principal_Basico_CheckBox_EscalaGrises = 24;
constexpr int Gadget_Principal_Basico_Frame_Tintar = 25;
constexpr int Gadget_Principal_Basico_CheckBox_Tintar = 26;
constexpr int Gadget_Principal_Basico_Text_ColorTinte = 27;
constexpr int Gadget_Principal_Basico_ButtonImage_ColorTinte = 28;
constexpr int Gadget_Principal_Basico_Text_CantidadTinteLabel = 29;
constexpr int Gadget_Principal_Basico_Text_CantidadTinte = 30;
constexpr int Gadget_Principal_Basico_TrackBar_CantidadTinte = 31;
constexpr int Gadget_Principal_Basico_Frame_Resize = 92;
constexpr int Gadget_Principal_Basico_CheckBox_ResizeActivo = 93;
constexpr int Gadget_Principal_Basico_CheckBox_ResizeProporcional = 94;
constexpr int Gadget_Principal_Basico_Button_ResizeProporcionAyuda = 95;
constexpr int Gadget_Principal_Basico_TrackBar_ResizeH = 96;
constexpr int Gadget_Principal_Basico_Text_ResizeH = 97;
constexpr int Gadget_Principal_Basico_Text_ResizeAnchoLabel = 98;
constexpr int Gadget_Principal_Basico_TrackBar_ResizeV = 99;
constexpr int Gadget_Principal_Basico_Text_ResizeV = 100;
constexpr int Gadget_Principal_Basico_Text_ResizeAltoLabel = 101;
constexpr int Gadget_Principal_Basico_Frame_TextoEnImagen = 102;
constexpr int Gadget_Principal_Basico_CheckBox_TextoEnImagen = 103;
constexpr int Gadget_Principal_Basico_CheckBox_RotarAntesQueTexto = 104;

// Panel 5, tab 2: text over the image.
constexpr int Gadget_Principal_Frame_ArchivoTextos = 33;
constexpr int Gadget_Principal_String_RutaCsvTextos = 34;
constexpr int Gadget_Principal_ButtonImage_RutaCSVTextos = 35;
constexpr int Gadget_Principal_CheckBox_UsarMarca = 36;
constexpr int Gadget_Principal_String_MarcaAgua = 37;
constexpr int Gadget_Principal_Frame_Font = 38;
constexpr int Gadget_Principal_Text_FuenteUsada = 39;
constexpr int Gadget_Principal_Button_Font = 40;
constexpr int Gadget_Principal_Text_ColorBordeActual = 41;
constexpr int Gadget_Principal_ButtonImage_ColorBorde = 42;
constexpr int Gadget_Principal_Frame_Interlineado = 43;
constexpr int Gadget_Principal_Text_Interlineado = 44;
constexpr int Gadget_Principal_TrackBar_Interlineado = 45;
constexpr int Gadget_Principal_Frame_Transparencia = 46;
constexpr int Gadget_Principal_Text_TransparenciaInteriorLabel = 47;
constexpr int Gadget_Principal_Text_TransparenciaInterior = 48;
constexpr int Gadget_Principal_TrackBar_TransparenciaInterior = 49;
constexpr int Gadget_Principal_Text_TransparenciaBordeLabel = 50;
constexpr int Gadget_Principal_Text_TransparenciaBorde = 51;
constexpr int Gadget_Principal_TrackBar_TransparenciaBorde = 52;
constexpr int Gadget_Principal_Frame_PosicionTexto = 53;
constexpr int Gadget_Principal_Image_PosicionTexto = 54;
constexpr int Gadget_Principal_Option_POSTXT_Left_Up = 55;
constexpr int Gadget_Principal_Option_POSTXT_Left_Mid = 56;
constexpr int Gadget_Principal_Option_POSTXT_Left_Bottom = 57;
constexpr int Gadget_Principal_Option_POSTXT_Mid_Top = 58;
constexpr int Gadget_Principal_Option_POSTXT_Mid_Mid = 59;
constexpr int Gadget_Principal_Option_POSTXT_Mid_Bottom = 60;
constexpr int Gadget_Principal_Option_POSTXT_Right_Top = 61;
constexpr int Gadget_Principal_Option_POSTXT_Right_Mid = 62;
constexpr int Gadget_Principal_Option_POSTXT_Right_Bottom = 63;

// Container 64: the preview.
constexpr int Container_Principal_Preview = 64;
constexpr int Gadget_Principal_FramePreview = 65;
constexpr int Gadget_Principal_CheckBox_Preview = 66;
constexpr int Gadget_Principal_Button_ImagenAnterior = 67;
constexpr int Gadget_Principal_Text_InfoNumImagenes = 68;
constexpr int Gadget_Principal_Button_ImagenSiguiente = 69;
constexpr int Gadget_Principal_Image_Origen = 70;
constexpr int Gadget_Principal_TextImagenResultado = 71;
constexpr int Gadget_Principal_Image_Resultado = 72;

// Container 116: processing.
constexpr int Container_Principal_Procesado = 116;
constexpr int Gadget_Principal_FrameProcesado = 117;
constexpr int Gadget_Principal_Archivo_Text_TituloNImages = 118;
constexpr int Gadget_Principal_Archivo_Text_NumImagenesEnRuta = 119;
constexpr int Gadget_Principal_Archivo_Frame_ExtensionDestino = 120;
constexpr int Gadget_Principal_Archivo_Option_ExtensionORIGEN = 121;
constexpr int Gadget_Principal_Archivo_Option_ExtensionJPG = 122;
constexpr int Gadget_Principal_Archivo_Option_ExtensionPNG = 123;
constexpr int Gadget_Principal_Archivo_Option_ExtensionGIF = 124;
constexpr int Gadget_Principal_Button_Procesar = 125;
constexpr int Gadget_Principal_Button_Cancelar = 126;

// The checkboxes and options of the formats beyond JPG, PNG and GIF take numbers from
// here on, in the order of the table of formats (format_controls.h).
constexpr int kFirstAddedResultFormatControl = 160;
constexpr int kFirstAddedSourceFormatControl = 170;

// Window 2: the progress window.
constexpr int Gadget_Progreso_Text_Informacion = 127;
constexpr int Gadget_Progreso_ProgressBar = 128;
constexpr int Gadget_Progreso_Button_Cancelar = 129;

}  // namespace tesselon
