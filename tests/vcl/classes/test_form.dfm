object TestForm: TTestForm
  Tag = 7
  Caption = 'Main'
  object Panel1: TWidget
    Left = 10
    Color = clRed
    Caption = 'Panel'
    Buddy = Button1
    object Button1: TWidget
      Tag = -3
      Left = 20
      Color = 12345
      Accel = 'B'
      Visible = False
      Shape = shTriangle
      Options = [foBold, foWide]
      Mask = [mkA, mkC]
      Caption = 'It''s a button'#13#10'second line'
      Scale = 1.500000000000000000
      Ratio = 0.250000000000000000
      Sub.Value = 42
      Sub.Text = 'sub text'
      Lines.Strings = (
        'Stretch To Fit'
        'Tile Image')
      Items = <
        item
          Caption = 'first'
        end
        item
          Caption = 'second'
          Width = 80
        end>
      Buddy = Panel1
      OnClick = Button1Click
      OnMeasure = WidgetMeasure
      Data = {
        000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
        2021222324252627}
    end
    object Small: TWidget
      Left = 0
      Caption = 
        'A caption that is far longer than sixty-four characters, so the ' +
        'writer splits it.'
      Data = {0A0B0C}
    end
  end
  object Store1: TStore
    Path = 'c:\Skins'
    Left = 40
    Top = -8
  end
end
