object Form1: TForm1
  Left = 343
  Top = 133
  Width = 850
  Height = 585
  Caption = 'Mergeon'
  Color = clBtnFace
  Constraints.MinHeight = 585
  Constraints.MinWidth = 850
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Icon.Data = {
    @icon
    }
  OldCreateOrder = False
  OnCreate = FormCreate
  OnResize = FormResize
  PixelsPerInch = 96
  TextHeight = 13
  object LoadPanel: TsPanel
    Left = 0
    Top = 0
    Width = 144
    Height = 551
    Align = alLeft
    TabOrder = 0
    SkinData.SkinSection = 'PANEL'
    object sPanel1: TsPanel
      Left = 1
      Top = 1
      Width = 142
      Height = 25
      Align = alTop
      BevelOuter = bvNone
      TabOrder = 0
      SkinData.SkinSection = 'ALPHAEDIT'
      object LayerLabel: TsLabel
        Left = 31
        Top = 5
        Caption = 'Layer Palette'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = 2171169
        Font.Height = -11
        Font.Name = 'MS Sans Serif'
        Font.Style = [fsBold]
        ParentFont = False
      end
    end
    object BaseGroup: TsGroupBox
      Left = 9
      Top = 32
      Width = 125
      Height = 165
      Caption = ' Base '
      Font.Charset = DEFAULT_CHARSET
      Font.Color = 2171169
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      TabOrder = 1
      SkinData.SkinSection = 'GROUPBOX'
      object BaseBorder: TShape
        Left = 11
        Top = 19
        Width = 102
        Height = 102
        Brush.Style = bsClear
        Pen.Color = 10526880
      end
      object BaseImg: TImage32
        Left = 12
        Top = 20
        Width = 100
        Height = 100
        Bitmap.StretchFilter = sfLanczos
        BitmapAlign = baCenter
        Color = clWhite
        ParentColor = False
        Scale = 1.000000000000000000
        ScaleMode = smResize
        TabOrder = 0
      end
      object BaseBtn: TsButton
        Left = 10
        Top = 129
        Width = 48
        Height = 25
        Caption = 'Load'
        ParentFont = False
        TabOrder = 1
        OnClick = BaseBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object BaseEditBtn: TsButton
        Left = 65
        Top = 129
        Width = 48
        Height = 25
        Caption = 'Edit >>'
        ParentFont = False
        TabOrder = 2
        OnClick = BaseEditBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
    end
    object OverlayGroup: TsGroupBox
      Left = 9
      Top = 203
      Width = 125
      Height = 165
      Caption = ' Overlay '
      Font.Charset = DEFAULT_CHARSET
      Font.Color = 2171169
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      TabOrder = 2
      SkinData.SkinSection = 'GROUPBOX'
      object OverlayBorder: TShape
        Left = 11
        Top = 19
        Width = 102
        Height = 102
        Brush.Style = bsClear
        Pen.Color = 10526880
      end
      object OverlayImg: TImage32
        Left = 12
        Top = 20
        Width = 100
        Height = 100
        Bitmap.StretchFilter = sfLanczos
        BitmapAlign = baCenter
        Color = clWhite
        ParentColor = False
        Scale = 1.000000000000000000
        ScaleMode = smResize
        TabOrder = 0
      end
      object OverlayBtn: TsButton
        Left = 10
        Top = 129
        Width = 48
        Height = 25
        Caption = 'Load'
        ParentFont = False
        TabOrder = 1
        OnClick = OverlayBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object OverlayEditBtn: TsButton
        Left = 65
        Top = 129
        Width = 48
        Height = 25
        Caption = 'Edit >>'
        ParentFont = False
        TabOrder = 2
        OnClick = OverlayEditBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
    end
    object MaskGroup: TsGroupBox
      Left = 9
      Top = 376
      Width = 125
      Height = 165
      Caption = ' Mask '
      Font.Charset = DEFAULT_CHARSET
      Font.Color = 2171169
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      TabOrder = 3
      SkinData.SkinSection = 'GROUPBOX'
      object MaskBorder: TShape
        Left = 11
        Top = 19
        Width = 102
        Height = 102
        Brush.Style = bsClear
        Pen.Color = 10526880
      end
      object MaskImg: TImage32
        Left = 12
        Top = 20
        Width = 100
        Height = 100
        Bitmap.StretchFilter = sfLanczos
        BitmapAlign = baCenter
        Color = clWhite
        ParentColor = False
        Scale = 1.000000000000000000
        ScaleMode = smResize
        TabOrder = 0
      end
      object MaskBtn: TsButton
        Left = 10
        Top = 129
        Width = 48
        Height = 25
        Caption = 'Load'
        ParentFont = False
        TabOrder = 1
        OnClick = MaskBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object MaskEditBtn: TsButton
        Left = 65
        Top = 129
        Width = 48
        Height = 25
        Caption = 'Edit >>'
        ParentFont = False
        TabOrder = 2
        OnClick = MaskEditBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
    end
  end
  object BackPanel: TsPanel
    Left = 144
    Top = 0
    Width = 690
    Height = 551
    Align = alClient
    BevelOuter = bvNone
    TabOrder = 1
    SkinData.SkinSection = 'PANEL'
    object TileImgBuffer: TImage32
      Left = 16
      Top = 56
      Width = 192
      Height = 192
      BitmapAlign = baTopLeft
      Scale = 1.000000000000000000
      ScaleMode = smNormal
      TabOrder = 0
    end
    object TileImg: TImage32
      Left = 8
      Top = 48
      Width = 201
      Height = 313
      Bitmap.StretchFilter = sfLanczos
      BitmapAlign = baCenter
      Scale = 1.000000000000000000
      ScaleMode = smResize
      TabOrder = 1
    end
    object MergeImg: TImage32
      Left = 4
      Top = 48
      Width = 293
      Height = 193
      AutoSize = True
      Bitmap.StretchFilter = sfLanczos
      BitmapAlign = baTopLeft
      Scale = 1.000000000000000000
      ScaleMode = smNormal
      TabOrder = 2
      OnClick = MergeImgClick
    end
    object BottomPanel: TsPanel
      Left = 0
      Top = 0
      Width = 690
      Height = 43
      Align = alTop
      BevelOuter = bvNone
      TabOrder = 3
      SkinData.SkinSection = 'PANEL'
      object Bevel1: TsBevel
        Left = 0
        Top = 41
        Width = 690
        Height = 2
        Align = alBottom
        Shape = bsTopLine
      end
      object NewBaseBtn: TsButton
        Left = 10
        Top = 8
        Width = 75
        Height = 25
        Caption = 'New Image'
        TabOrder = 0
        OnClick = NewBaseBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object TransferBtn: TsButton
        Left = 93
        Top = 8
        Width = 105
        Height = 25
        Caption = 'Transfer To Base'
        Enabled = False
        TabOrder = 1
        OnClick = TransferBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object CopyBtn: TsButton
        Left = 205
        Top = 8
        Width = 113
        Height = 25
        Caption = 'Copy To Clipboard'
        Enabled = False
        TabOrder = 2
        OnClick = CopyBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object SaveBtn: TsButton
        Left = 325
        Top = 8
        Width = 121
        Height = 25
        Caption = 'Save Merged Image'
        Enabled = False
        TabOrder = 3
        OnClick = SaveBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object AboutBtn: TsButton
        Left = 453
        Top = 8
        Width = 25
        Height = 25
        Caption = '?'
        TabOrder = 4
        OnClick = AboutBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object ZoomLabel: TsLabel
        Left = 485
        Top = 14
        Caption = 'Zoom Level'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = 2171169
        Font.Height = -11
        Font.Name = 'MS Sans Serif'
        Font.Style = [fsBold]
        ParentFont = False
      end
      object Zoom100Btn: TsButton
        Left = 560
        Top = 8
        Width = 41
        Height = 25
        Caption = '100%'
        Enabled = False
        TabOrder = 5
        OnClick = Zoom100BtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object ZoomFitBtn: TsButton
        Left = 608
        Top = 8
        Width = 73
        Height = 25
        Caption = 'Fit Window'
        Enabled = False
        TabOrder = 6
        OnClick = ZoomFitBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object FlattenBtn: TsButton
        Left = 724
        Top = 8
        Width = 41
        Height = 25
        Caption = 'Flatten'
        Visible = False
        TabOrder = 7
        OnClick = FlattenBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
      object UpdateImgBtn: TsButton
        Left = 772
        Top = 8
        Width = 41
        Height = 25
        Caption = 'Update'
        Visible = False
        TabOrder = 8
        OnClick = UpdateImgBtnClick
        SkinData.SkinSection = 'BUTTON'
      end
    end
    object ScrollBox: TsScrollBox
      Left = 0
      Top = 43
      Width = 690
      Height = 508
      Align = alClient
      AutoScroll = False
      BorderStyle = bsNone
      TabOrder = 4
      OnClick = ScrollBoxClick
      SkinData.SkinSection = 'PANEL_LOW'
      object FlattenImg: TImgView32
        Left = 0
        Top = 0
        Width = 690
        Height = 508
        Align = alClient
        AutoSize = True
        Bitmap.StretchFilter = sfLanczos
        Color = clSilver
        ParentColor = False
        Scale = 1.000000000000000000
        ScrollBars.Color = clGray
        ScrollBars.HandleColor = clSilver
        ScrollBars.ShowHandleGrip = True
        ScrollBars.Style = rbsDefault
        SizeGrip = sgAuto
        TabOrder = 0
        Visible = False
      end
      object ImageView1: TImageView
        Left = 0
        Top = 0
        Width = 690
        Height = 508
        Align = alClient
        Cursor = -2
        EnableInteractionHints = True
        MouseInteract = [miZoom, miScroll]
        ShowHint = True
        TabOrder = 1
        object BaseEditPanel: TsPanel
          Left = 0
          Top = 22
          Width = 186
          Height = 72
          TabOrder = 0
          Visible = False
          SkinData.SkinSection = 'COLHEADER'
          object BasePalette2: TsPanel
            Left = 0
            Top = 0
            Width = 186
            Height = 25
            Align = alTop
            BevelOuter = bvNone
            TabOrder = 0
            OnMouseDown = BasePaletteMouseDown
            SkinData.SkinSection = 'ALPHAEDIT'
            object BasePalLabel: TsLabel
              Left = 8
              Top = 6
              Width = 100
              Height = 13
              Caption = 'Base Options'
              Font.Charset = DEFAULT_CHARSET
              Font.Color = 2171169
              Font.Height = -11
              Font.Name = 'MS Sans Serif'
              Font.Style = [fsBold]
              ParentFont = False
              OnMouseDown = BasePaletteMouseDown
            end
            object BaseCloseBtn: TsSpeedButton
              Left = 161
              Top = 3
              Width = 20
              Height = 20
              Caption = 'X'
              Flat = True
              OnClick = BaseCloseBtnClick
              SkinData.SkinSection = 'SPEEDBUTTON'
            end
          end
          object BaseRotBtn: TsSpeedButton
            Left = 10
            Top = 34
            Width = 29
            Height = 29
            Hint = 'Rotate 90'
            Flat = True
            Glyph.Data = {
              @glyph-rotate
              }
            OnClick = BaseRotBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object BaseFHBtn: TsSpeedButton
            Left = 46
            Top = 34
            Width = 29
            Height = 29
            Hint = 'Flip Horizontal'
            Flat = True
            Glyph.Data = {
              @glyph-flip-horizontal
              }
            OnClick = BaseFHBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object BaseFVBtn: TsSpeedButton
            Left = 79
            Top = 34
            Width = 29
            Height = 29
            Hint = 'Flip Vertical'
            Flat = True
            Glyph.Data = {
              @glyph-flip-vertical
              }
            OnClick = BaseFVBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object BaseGryBtn: TsSpeedButton
            Left = 113
            Top = 34
            Width = 29
            Height = 29
            Hint = 'Convert To Grayscale'
            Flat = True
            Glyph.Data = {
              @glyph-grayscale
              }
            OnClick = BaseGryBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object BaseInvBtn: TsSpeedButton
            Left = 149
            Top = 34
            Width = 29
            Height = 29
            Hint = 'Invert Image'
            Flat = True
            Glyph.Data = {
              @glyph-invert
              }
            OnClick = BaseInvBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
        end
        object OverlayEditPanel: TsPanel
          Left = 0
          Top = 105
          Width = 186
          Height = 238
          BevelOuter = bvNone
          TabOrder = 1
          Visible = False
          SkinData.SkinSection = 'COLHEADER'
          object OverlayPalette2: TsPanel
            Left = 0
            Top = 0
            Width = 186
            Height = 25
            Align = alTop
            BevelOuter = bvNone
            TabOrder = 0
            OnMouseDown = OverlayPaletteMouseDown
            SkinData.SkinSection = 'ALPHAEDIT'
            object OverlayPalLabel: TsLabel
              Left = 8
              Top = 6
              Width = 100
              Height = 13
              Caption = 'Overlay Options'
              Font.Charset = DEFAULT_CHARSET
              Font.Color = 2171169
              Font.Height = -11
              Font.Name = 'MS Sans Serif'
              Font.Style = [fsBold]
              ParentFont = False
              OnMouseDown = OverlayPaletteMouseDown
            end
            object OverlayCloseBtn: TsSpeedButton
              Left = 161
              Top = 3
              Width = 20
              Height = 20
              Caption = 'X'
              Flat = True
              OnClick = OverlayCloseBtnClick
              SkinData.SkinSection = 'SPEEDBUTTON'
            end
          end
          object BlendLabel: TsLabel
            Left = 10
            Top = 36
            Caption = 'Layer Blend Mode'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object BlendComboBox: TsComboBox
            Left = 10
            Top = 55
            Width = 166
            Height = 21
            ItemHeight = 13
            ItemIndex = -1
            TabOrder = 1
            Text = 'Choose Mode ...'
            OnChange = BlendComboBoxChange
            SkinData.SkinSection = 'COMBOBOX'
          end
          object OpacityLabel: TsLabel
            Left = 10
            Top = 83
            Caption = 'Layer Opacity'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object OpacityPercentage: TsLabel
            Left = 97
            Top = 83
            Caption = '0%'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = []
            ParentFont = False
          end
          object OpacityBar: TsTrackBar
            Left = 2
            Top = 102
            Width = 182
            Height = 27
            Max = 255
            Position = 255
            Frequency = 1
            TabOrder = 2
            TickStyle = tsNone
            OnChange = OpacityBarChange
            SkinData.SkinSection = 'TRACKBAR'
          end
          object OverlayRotBtn: TsSpeedButton
            Left = 10
            Top = 129
            Width = 29
            Height = 29
            Hint = 'Rotate 90'
            Flat = True
            Glyph.Data = {
              @glyph-rotate
              }
            OnClick = OverlayRotBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object OverlayFHBtn: TsSpeedButton
            Left = 46
            Top = 129
            Width = 29
            Height = 29
            Hint = 'Flip Horizontal'
            Flat = True
            Glyph.Data = {
              @glyph-flip-horizontal
              }
            OnClick = OverlayFHBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object OverlayFVBtn: TsSpeedButton
            Left = 79
            Top = 129
            Width = 29
            Height = 29
            Hint = 'Flip Vertical'
            Flat = True
            Glyph.Data = {
              @glyph-flip-vertical
              }
            OnClick = OverlayFVBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object OverlayGryBtn: TsSpeedButton
            Left = 113
            Top = 129
            Width = 29
            Height = 29
            Hint = 'Convert To Grayscale'
            Flat = True
            Glyph.Data = {
              @glyph-grayscale
              }
            OnClick = OverlayGryBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object OverlayInvBtn: TsSpeedButton
            Left = 149
            Top = 129
            Width = 29
            Height = 29
            Hint = 'Invert Image'
            Flat = True
            Glyph.Data = {
              @glyph-invert
              }
            OnClick = OverlayInvBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object OverlayImageMode: TsRadioGroup
            Left = 10
            Top = 162
            Width = 166
            Height = 65
            Caption = 'Overlay Mode'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ItemIndex = 0
            Items.Strings = (
              'Stretch To Fit'
              'Tile Image')
            ParentFont = False
            TabOrder = 3
            OnClick = OverlayImageModeClick
            SkinData.SkinSection = 'GROUPBOX'
          end
        end
        object MaskEditPanel: TsPanel
          Left = 0
          Top = 354
          Width = 186
          Height = 124
          TabOrder = 2
          Visible = False
          SkinData.SkinSection = 'COLHEADER'
          object MaskPalette2: TsPanel
            Left = 0
            Top = 0
            Width = 186
            Height = 25
            Align = alTop
            BevelOuter = bvNone
            TabOrder = 0
            OnMouseDown = MaskPaletteMouseDown
            SkinData.SkinSection = 'ALPHAEDIT'
            object MaskPalLabel: TsLabel
              Left = 8
              Top = 6
              Width = 100
              Height = 13
              Caption = 'Mask Options'
              Font.Charset = DEFAULT_CHARSET
              Font.Color = 2171169
              Font.Height = -11
              Font.Name = 'MS Sans Serif'
              Font.Style = [fsBold]
              ParentFont = False
              OnMouseDown = MaskPaletteMouseDown
            end
            object MaskCloseBtn: TsSpeedButton
              Left = 161
              Top = 3
              Width = 20
              Height = 20
              Caption = 'X'
              Flat = True
              OnClick = MaskCloseBtnClick
              SkinData.SkinSection = 'SPEEDBUTTON'
            end
          end
          object MaskGradLabel: TsLabel
            Left = 10
            Top = 36
            Caption = 'Gradient Presets'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object MaskGradCombo: TsComboBox
            Left = 10
            Top = 55
            Width = 166
            Height = 21
            ItemHeight = 13
            ItemIndex = -1
            Items.Strings = (
              'Linear'
              'Diagonal'
              'Radial'
              'Diamond'
              'Reflected'
              'None (Clear)')
            TabOrder = 1
            Text = 'Select ...'
            OnChange = MaskGradComboChange
            SkinData.SkinSection = 'COMBOBOX'
          end
          object MaskRotBtn: TsSpeedButton
            Left = 10
            Top = 86
            Width = 29
            Height = 29
            Hint = 'Rotate 90'
            Flat = True
            Glyph.Data = {
              @glyph-rotate
              }
            OnClick = MaskRotBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object MaskFHBtn: TsSpeedButton
            Left = 46
            Top = 86
            Width = 29
            Height = 29
            Hint = 'Flip Horizontal'
            Flat = True
            Glyph.Data = {
              @glyph-flip-horizontal
              }
            OnClick = MaskFHBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object MaskFVBtn: TsSpeedButton
            Left = 79
            Top = 86
            Width = 29
            Height = 29
            Hint = 'Flip Vertical'
            Flat = True
            Glyph.Data = {
              @glyph-flip-vertical
              }
            OnClick = MaskFVBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object MaskGryBtn: TsSpeedButton
            Left = 113
            Top = 86
            Width = 29
            Height = 29
            Hint = 'Convert To Grayscale'
            Flat = True
            Glyph.Data = {
              @glyph-grayscale
              }
            OnClick = MaskGryBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
          object MaskInvBtn: TsSpeedButton
            Left = 149
            Top = 86
            Width = 29
            Height = 29
            Hint = 'Invert Image'
            Flat = True
            Glyph.Data = {
              @glyph-invert
              }
            OnClick = MaskInvBtnClick
            SkinData.SkinSection = 'SPEEDBUTTON'
          end
        end
        object NewImgPanel: TsPanel
          Left = 208
          Top = 272
          Width = 288
          Height = 124
          TabOrder = 3
          Visible = False
          SkinData.SkinSection = 'COLHEADER'
          object NewImgTop2: TsPanel
            Left = 1
            Top = 1
            Width = 286
            Height = 25
            Align = alTop
            TabOrder = 0
            SkinData.SkinSection = 'ALPHAEDIT'
            object NewImgLabel: TsLabel
              Left = 8
              Top = 6
              Caption = 'Create New Image'
              Font.Charset = DEFAULT_CHARSET
              Font.Color = 2171169
              Font.Height = -11
              Font.Name = 'MS Sans Serif'
              Font.Style = [fsBold]
              ParentFont = False
            end
          end
          object NewSizeLabel: TsLabel
            Left = 10
            Top = 39
            Caption = 'Image Width :                        Image Height :'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = []
            ParentFont = False
          end
          object NewWidthSpin: TsSpinEdit
            Left = 82
            Top = 35
            Width = 57
            Height = 21
            MaxValue = 0
            MinValue = 0
            TabOrder = 1
            Value = 640
            SkinData.SkinSection = 'EDIT'
          end
          object NewHeightSpin: TsSpinEdit
            Left = 222
            Top = 35
            Width = 57
            Height = 21
            MaxValue = 0
            MinValue = 0
            TabOrder = 2
            Value = 480
            SkinData.SkinSection = 'EDIT'
          end
          object NewRetainLabel: TsLabel
            Left = 10
            Top = 65
            Caption = 'Current Overlay And Mask Layers Are Retained'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = 2171169
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold, fsUnderline]
            ParentFont = False
          end
          object NewColourPanel: TsPanel
            Left = 12
            Top = 89
            Width = 98
            Height = 22
            BevelOuter = bvNone
            BorderStyle = bsSingle
            Color = clWhite
            TabOrder = 3
            Visible = False
            OnClick = NewColourPanelClick
            SkinData.SkinSection = 'PANEL'
          end
          object NewCancelBtn: TsButton
            Left = 121
            Top = 89
            Width = 75
            Height = 25
            Caption = 'Cancel'
            TabOrder = 4
            OnClick = NewCancelBtnClick
            SkinData.SkinSection = 'BUTTON'
          end
          object NewOKBtn: TsButton
            Left = 203
            Top = 89
            Width = 75
            Height = 25
            Caption = 'OK'
            TabOrder = 5
            OnClick = NewOKBtnClick
            SkinData.SkinSection = 'BUTTON'
          end
        end
      end
      object PanelAbout: TsPanel
        Left = 190
        Top = 154
        Width = 310
        Height = 200
        BevelOuter = bvNone
        BorderStyle = bsSingle
        TabOrder = 2
        Visible = False
        SkinData.SkinSection = 'PANEL'
        object AboutImage: TImage
          Left = 10
          Top = 10
          Width = 288
          Height = 88
          AutoSize = True
          Picture.Data = {
            @about-logo
            }
        end
        object AboutTitle: TsLabel
          Left = 10
          Top = 105
          Caption = 'Mergeon'
          Font.Charset = DEFAULT_CHARSET
          Font.Color = 2171169
          Font.Height = -16
          Font.Name = 'MS Sans Serif'
          Font.Style = [fsBold]
          ParentFont = False
        end
        object AboutVersion: TsLabel
          Left = 102
          Top = 108
          Caption = 'Version 1.2'
          Font.Charset = DEFAULT_CHARSET
          Font.Color = 2171169
          Font.Height = -13
          Font.Name = 'MS Sans Serif'
          Font.Style = []
          ParentFont = False
        end
        object AboutOverview: TsLabel
          Left = 10
          Top = 125
          Caption = 'Lays one picture over another in 27 blend modes.'
          Font.Charset = DEFAULT_CHARSET
          Font.Color = 2171169
          Font.Height = -11
          Font.Name = 'MS Sans Serif'
          Font.Style = []
          ParentFont = False
        end
        object sWebLabel1: TsWebLabel
          Left = 12
          Top = 159
          Caption = 'Project home page'
          Font.Charset = DEFAULT_CHARSET
          Font.Color = clBlue
          Font.Height = -11
          Font.Name = 'MS Sans Serif'
          Font.Style = [fsUnderline]
          ParentFont = False
          URL = 'https://mergeon.example.org/'
        end
        object AboutCredits: TsLabel
          Left = 10
          Top = 175
          Caption = 'Written by the Mergeon developers.'
          Font.Charset = DEFAULT_CHARSET
          Font.Color = 2171169
          Font.Height = -11
          Font.Name = 'MS Sans Serif'
          Font.Style = []
          ParentFont = False
        end
        object AboutCloseBtn: TsButton
          Left = 224
          Top = 164
          Width = 75
          Height = 25
          Caption = 'OK'
          TabOrder = 0
          OnClick = AboutCloseBtnClick
          SkinData.SkinSection = 'BUTTON'
        end
      end
    end
  end
  object OpenDialogBase: TsOpenDialog
    Filter = 'All Image Files|*.jpg;*.jpeg;*.psd;*.psp;*.bmp;*.rle;*.dib;*.png;*.tga;*.tif;*.tiff;*.pcx;*.pcd'
    Left = 24
    Top = 520
  end
  object OpenDialogOverlay: TsOpenDialog
    Filter = 'All Image Files|*.jpg;*.jpeg;*.psd;*.psp;*.bmp;*.rle;*.dib;*.png;*.tga;*.tif;*.tiff;*.pcx;*.pcd'
    Left = 24
    Top = 520
  end
  object OpenDialogMask: TsOpenDialog
    Filter = 'All Image Files|*.jpg;*.jpeg;*.psd;*.psp;*.bmp;*.rle;*.dib;*.png;*.tga;*.tif;*.tiff;*.pcx;*.pcd'
    Left = 24
    Top = 520
  end
  object SaveDialog: TsSaveDialog
    DefaultExt = '*.jpg'
    Filter = 'JPEG Files (*.jpg)|*.jpg'
    Left = 56
    Top = 520
  end
  object ColorDialogNew: TsColorDialog
    Ctl3D = True
    Left = 88
    Top = 520
  end
  object GradientList: TBitmap32List
    Bitmaps = <
      item
        Bitmap.Data = {
          @gradient-linear
          }
      end
      item
        Bitmap.Data = {
          @gradient-diagonal
          }
      end
      item
        Bitmap.Data = {
          @gradient-radial
          }
      end
      item
        Bitmap.Data = {
          @gradient-diamond
          }
      end
      item
        Bitmap.Data = {
          @gradient-reflected
          }
      end
    >
    Left = 120
    Top = 520
  end
  object FormStorage: TFormStorage
    IniFileName = 'Mergeon.ini'
    IniSection = 'User'
    MinMaxInfo.MinTrackHeight = 585
    MinMaxInfo.MinTrackWidth = 775
    StoredProps.Strings = (
      'OpenDialogBase.InitialDir'
      'OpenDialogOverlay.InitialDir'
      'OpenDialogMask.InitialDir')
    StoredValues = <>
    Left = 152
    Top = 520
  end
  object sSkinManager1: TsSkinManager
    ExtendedBorders = True
    InternalSkins = <
      item
        Name = 'ShineWhite (internal)'
        Data = {
          @internal-skin
          }
      end>
    MenuSupport.IcoLineSkin = 'ICOLINE'
    SkinDirectory = 'c:\Skins'
    SkinName = 'ShineWhite (internal)'
    ThirdParty.ThirdEdits = 'TImageView'#13#10'TImage'#13#10'TEdit'#13#10'TMemo'#13#10'TMaskEdit'#13#10
    ThirdParty.ThirdButtons = 'TButton'#13#10
    ThirdParty.ThirdBitBtns = 'TBitBtn'#13#10
    ThirdParty.ThirdCheckBoxes = 'TCheckBox'#13#10'TRadioButton'#13#10
    ThirdParty.ThirdGroupBoxes = 'TGroupBox'#13#10'TRadioGroup'#13#10
    ThirdParty.ThirdListViews = 'TListView'#13#10
    ThirdParty.ThirdPanels = 'TPanel'#13#10
    ThirdParty.ThirdGrids = 'TStringGrid'#13#10'TDrawGrid'#13#10
    ThirdParty.ThirdTreeViews = 'TTreeView'#13#10
    ThirdParty.ThirdComboBoxes = 'TComboBox'#13#10'TListBox'#13#10
    ThirdParty.ThirdPageControl = 'TPageControl'#13#10
    ThirdParty.ThirdTabControl = 'TTabControl'#13#10
    ThirdParty.ThirdToolBar = 'TToolBar'#13#10
    ThirdParty.ThirdStatusBar = 'TStatusBar'#13#10
    ThirdParty.ThirdSpeedButton = 'TSpeedButton'#13#10
    Left = 184
    Top = 520
  end
  object sSkinProvider1: TsSkinProvider
    SkinData.SkinSection = 'FORM'
    TitleButtons = <>
    Left = 216
    Top = 520
  end
end
